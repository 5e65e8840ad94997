#include "barra.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWidgetAction>

#include "macchina.h"
#include "tema.h"

#ifndef VELMORA_VERSIONE
#define VELMORA_VERSIONE "v0"
#endif

namespace velmora {

PannelloBarra::PannelloBarra(Macchina& m, QWidget* finestra, QObject* genitore)
    : QObject(genitore), m_(m), finestra_(finestra) {
    menu_ = new QMenu;
    menu_->setStyleSheet(QStringLiteral("QMenu{background:%1;color:%2;border:1px solid %3;}"
                                        "QMenu::item:selected{background:%4;}")
                             .arg(tema::pannello().name(), tema::inchio().name(),
                                  tema::bordo().name(), tema::alzato().name()));
    auto* riga = new QWidget;
    auto* h = new QHBoxLayout(riga);
    h->setContentsMargins(12, 6, 12, 6);
    h->setSpacing(6);
    punto_ = new QLabel(riga);
    punto_->setFixedSize(7, 7);
    parola_ = new QLabel(riga);
    parola_->setFont(tema::carattere(12, false, QFont::DemiBold));
    auto* versione = new QLabel(QStringLiteral(VELMORA_VERSIONE), riga);
    versione->setFont(tema::carattere(10, true));
    versione->setStyleSheet(QStringLiteral("color:%1;").arg(tema::tenue().name()));
    h->addWidget(punto_);
    h->addWidget(parola_);
    h->addStretch(1);
    h->addWidget(versione);
    auto* stato = new QWidgetAction(menu_);
    stato->setDefaultWidget(riga);
    menu_->addAction(stato);
    accendi_ = menu_->addAction(QString());
    connect(accendi_, &QAction::triggered, this, &PannelloBarra::accendiOFerma);
    menu_->addSeparator();
    apri_ = menu_->addAction(QString());
    connect(apri_, &QAction::triggered, this, &PannelloBarra::apriFinestra);
    esci_ = menu_->addAction(QString());
    connect(esci_, &QAction::triggered, qApp, &QCoreApplication::quit);

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        icona_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/velmora/velmora.svg")), this);
        icona_->setToolTip(QStringLiteral("Velmora"));
        icona_->setContextMenu(menu_);
        connect(icona_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) {
                    if (r == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
                });
        icona_->show();
    }
    connect(&m_, &Macchina::accesaCambiata, this, &PannelloBarra::rifai);
    connect(&m_, &Macchina::italianoCambiato, this, &PannelloBarra::rifai);
    rifai();
}

PannelloBarra::~PannelloBarra() {
    delete menu_;
}

QString PannelloBarra::parolaStato() const {
    return parola_->text();
}
QString PannelloBarra::testoAccendi() const {
    return accendi_->text();
}

void PannelloBarra::accendiOFerma() {
    if (m_.accesa())
        m_.spegni();
    else
        m_.accendi();
}

void PannelloBarra::apriFinestra() {
    if (!finestra_) return;
    finestra_->show();
    finestra_->setWindowState(finestra_->windowState() & ~Qt::WindowMinimized);
    finestra_->raise();
    finestra_->activateWindow();
}

void PannelloBarra::rifai() {
    const bool accesa = m_.accesa();
    punto_->setStyleSheet(QStringLiteral("background:%1;border-radius:3px;")
                              .arg((accesa ? tema::verde() : tema::tenue()).name()));
    parola_->setText(accesa ? lingua(m_, "running", "in funzione")
                            : lingua(m_, "stopped", "fermo"));
    parola_->setStyleSheet(QStringLiteral("color:%1;").arg(tema::inchio().name()));
    accendi_->setText(accesa ? lingua(m_, "Stop", "Ferma") : lingua(m_, "Start", "Accendi"));
    apri_->setText(lingua(m_, "Open the window", "Apri la finestra"));
    esci_->setText(lingua(m_, "Quit", "Esci"));
}

}  // namespace velmora
