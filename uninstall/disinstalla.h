// The uninstaller's logic: what Velmora left on this machine, and moving it to the Trash.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One removable item: an absolute path and a short description for the user.
struct Rimozione {
    QString percorso;
    QString cosa;
    bool operator==(const Rimozione&) const = default;
};

namespace Disinstalla {

// Where to look. The defaults describe this user and this installation.
struct Luoghi {
    QString casa;                   // the home folder
    QString prefisso;               // the install prefix of the running application
    QString impostazioni;           // the per-user settings file
    bool cartellaDiLavoro = false;  // include the working folder (it holds the user's own presets)
};

// This user's home, the prefix the running program was installed under (or the configured install
// prefix when it runs from a build folder) and the settings file of QSettings.
Luoghi luoghiPredefiniti();

// The working folder, where the user's own presets live.
QString cartellaDiLavoro(const QString& casa);

// The candidates in table order, only those that exist.
QList<Rimozione> elenco(const Luoghi& luoghi);
QList<Rimozione> elenco();

// Moves every item to the freedesktop Trash, never deleting anything. Answers the paths that
// still exist afterwards (the Trash refused them).
QStringList esegui(const QList<Rimozione>& cose);

}  // namespace Disinstalla
