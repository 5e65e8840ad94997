// Velmora: the desktop application.
#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTimer>

#include "barra.h"
#include "macchina.h"
#include "principale.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.svg")));

    QSettings impostazioni;
    velmora::Ambiente ambiente;
    ambiente.impostazioni = &impostazioni;
    velmora::Macchina m(ambiente);
    // Whatever ends the program, capture stops and the sound goes back to normal first.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &m, [&m] { m.spegni(); });

    velmora::VistaPrincipale finestra(m, &impostazioni);
    velmora::PannelloBarra barra(m, &finestra);
    // With a tray, closing the window leaves the panel running; without one it quits.
    QApplication::setQuitOnLastWindowClosed(!barra.presente());

    finestra.show();
    // The window opens filling the usable area of its screen.
    QTimer::singleShot(200, &finestra, [&finestra] {
        QScreen* s = finestra.screen() ? finestra.screen() : QGuiApplication::primaryScreen();
        if (s) finestra.setGeometry(s->availableGeometry());
    });
    return app.exec();
}
