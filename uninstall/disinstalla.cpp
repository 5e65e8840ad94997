#include "disinstalla.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#ifndef VELMORA_PREFISSO
#define VELMORA_PREFISSO "/usr/local"
#endif

namespace Disinstalla {

namespace {

bool esiste(const QString& p) {
    // A dangling link is still something to remove.
    const QFileInfo f(p);
    return f.exists() || f.isSymLink();
}

// A trashed item must land in a freedesktop Trash: $XDG_DATA_HOME/Trash or a volume's .Trash-UID
// or .Trash/UID.
bool dentroUnCestino(const QString& dove) {
    if (!QDir::isAbsolutePath(dove)) return false;
    QDir d = QFileInfo(dove).absoluteDir();  // .../files
    if (d.dirName() != QLatin1String("files")) return false;
    d.cdUp();
    const QString nome = d.dirName();
    if (nome == QLatin1String("Trash") || nome.startsWith(QLatin1String(".Trash-"))) return true;
    d.cdUp();
    return d.dirName() == QLatin1String(".Trash");
}

}  // namespace

QString cartellaDiLavoro(const QString& casa) {
    return QDir(casa).filePath(QStringLiteral("BRESKO/VELMORA/STATUS-CORRENTE"));
}

Luoghi luoghiPredefiniti() {
    Luoghi l;
    l.casa = QDir::homePath();
    // An installed program lives in PREFIX/bin; from a build folder, use the configured prefix.
    const QDir bin(QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                : QString());
    if (bin.dirName() == QLatin1String("bin") &&
        QFileInfo::exists(bin.filePath(QStringLiteral("../share/applications/velmora.desktop"))))
        l.prefisso = QDir::cleanPath(bin.filePath(QStringLiteral("..")));
    else
        l.prefisso = QStringLiteral(VELMORA_PREFISSO);
    l.impostazioni = QSettings().fileName();
    return l;
}

QList<Rimozione> elenco(const Luoghi& l) {
    const QDir casa(l.casa), pre(l.prefisso);
    QList<Rimozione> tabella = {
        {pre.filePath(QStringLiteral("bin/velmora")), QStringLiteral("l'applicazione")},
        {pre.filePath(QStringLiteral("bin/velmora-live")),
         QStringLiteral("lo strumento per ascoltare dal terminale")},
        {pre.filePath(QStringLiteral("bin/velmora-render")),
         QStringLiteral("lo strumento per elaborare i file audio")},
        {pre.filePath(QStringLiteral("share/applications/velmora.desktop")),
         QStringLiteral("la voce nel menu delle applicazioni")},
        {pre.filePath(QStringLiteral("share/metainfo/io.github.velmora.Velmora.metainfo.xml")),
         QStringLiteral("la scheda per il catalogo dei programmi")},
        {pre.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/velmora.svg")),
         QStringLiteral("l'icona")},
    };
    for (int lato : {16, 24, 32, 48, 64, 128, 256})
        tabella.append(
            {pre.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/velmora.png").arg(lato)),
             QStringLiteral("l'icona (%1 pixel)").arg(lato)});
    tabella.append(
        {pre.filePath(QStringLiteral("share/velmora")), QStringLiteral("i preset di serie")});
    if (!l.impostazioni.isEmpty())
        tabella.append({l.impostazioni, QStringLiteral("le impostazioni salvate")});
    if (l.cartellaDiLavoro)
        tabella.append({cartellaDiLavoro(l.casa),
                        QStringLiteral("la cartella di lavoro, con i preset che hai salvato tu")});
    tabella.append({
        {casa.filePath(QStringLiteral(".velmora-uno-build")),
         QStringLiteral("i file di costruzione del plugin")},
        {casa.filePath(QStringLiteral(".velmora-live-build")),
         QStringLiteral("i file di costruzione dell'app")},
        {casa.filePath(QStringLiteral(".velmora-build")),
         QStringLiteral("vecchi file di costruzione")},
        {casa.filePath(QStringLiteral(".velmora_barra")),
         QStringLiteral("la preferenza barra/Dock")},
        {casa.filePath(QStringLiteral(".velmora_uscita_precedente")),
         QStringLiteral("la nota sull'uscita di prima")},
        {casa.filePath(QStringLiteral(".velmora_niente_ponte")),
         QStringLiteral("la preferenza sul ponte audio")},
    });
    QList<Rimozione> presenti;
    for (const auto& r : tabella)
        if (esiste(r.percorso)) presenti.append(r);
    return presenti;
}

QList<Rimozione> elenco() {
    return elenco(luoghiPredefiniti());
}

QStringList esegui(const QList<Rimozione>& cose) {
    // The home Trash lives in the data folder; Qt cannot make it when that folder is missing (a
    // fresh account) and would then put the items in the working directory instead.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QStringList falliti;
    for (const auto& r : cose) {
        QString dove;
        if (QFile::moveToTrash(r.percorso, &dove) && !dentroUnCestino(dove)) {
            // Not a real Trash: put it back where it was and report it.
            QFile::rename(dove, r.percorso);
        }
        if (esiste(r.percorso)) falliti.append(r.percorso);
    }
    return falliti;
}

}  // namespace Disinstalla
