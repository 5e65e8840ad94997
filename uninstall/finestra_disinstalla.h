// The uninstaller's sheet: what Velmora left on this machine, moved to the Trash on request,
// what stayed behind, and a word on the audio server's state.
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "disinstalla.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace velmora {

class Avviso;
class Macchina;

class FinestraDisinstalla : public QDialog {
    Q_OBJECT
  public:
    // `luoghi`: where to look; `esci`: how the application ends after a clean removal;
    // `impostazioniAudio`: the link to the desktop's sound settings, empty when there is none.
    FinestraDisinstalla(Macchina& m, Disinstalla::Luoghi luoghi, std::function<void()> esci,
                        QString impostazioniAudio, QWidget* genitore = nullptr);
    // The real places, quitting the application, the desktop's sound settings.
    explicit FinestraDisinstalla(Macchina& m, QWidget* genitore = nullptr);

    const QList<Rimozione>& cose() const { return cose_; }
    const QString& esito() const { return esito_; }
    const QStringList& falliti() const { return falliti_; }
    // "Move to Trash and quit": stops processing first, then moves everything listed.
    void rimuovi();
    // Includes the working folder (the user's own presets) in the list, or leaves it out.
    void conCartellaDiLavoro(bool si);

  private:
    void ricostruisci();

    Macchina& m_;
    Disinstalla::Luoghi luoghi_;
    std::function<void()> esci_;
    QString impostazioniAudio_;
    QList<Rimozione> cose_;
    QString esito_;
    QStringList falliti_;
    QVBoxLayout* corpo_;
    QCheckBox* lavoro_;
    QPushButton* via_;
};

}  // namespace velmora
