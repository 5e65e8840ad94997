// The main window: the header that starts and stops processing, the toolbar, the notices, the
// input and output meters either side of the scrolling chain, and the footer with the help of
// the control under the pointer and the three built-in sounds.
#pragma once

#include <QFrame>
#include <QList>
#include <QWidget>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSettings;
class QVBoxLayout;

namespace velmora {

class Avviso;
class Catena;
class Controllo;
class Interruttore;
class Macchina;
class Metro;
class PannelloOstrel;
class StatoCatena;

// The popover of touched controls: heading, "reset all", one row per control with "undo".
class Toccati : public QFrame {
    Q_OBJECT
  public:
    explicit Toccati(Macchina& m, QWidget* genitore = nullptr);
    void ricostruisci();
    // The keys listed.
    QStringList chiavi() const;
    QString titolo() const;

  private:
    Macchina& m_;
    QVBoxLayout* l_;
    QStringList chiavi_;
    QString titolo_;
    bool inAttesa_ = false;
};

class VistaPrincipale : public QWidget {
    Q_OBJECT
  public:
    VistaPrincipale(Macchina& m, QSettings* impostazioni, QWidget* genitore = nullptr);

    // What the toolbar shows and does, for the tests and the screenshot.
    void mettiMostraLumeric(bool si);
    bool mostraLumeric() const { return mostraLumeric_; }
    void mettiTutto(bool si);
    void mettiRadio(bool radio);
    QString testoToccati() const;
    Toccati* apriToccati();
    QString piede() const;
    Catena* catena() const { return catena_; }
    StatoCatena& stato() const { return *stato_; }
    // A function that opens the uninstaller (the real sheet when not set).
    void mettiApriDisinstalla(std::function<void()> f) { apriDisinstalla_ = std::move(f); }

  protected:
    // Closing the window forgets its view state (the panel, every control, the popover); what
    // the model holds stays.
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QWidget* costruisciTestata();
    QWidget* costruisciBarra();
    QWidget* costruisciPiede();
    void rifaiTesti();
    void rifaiStato();
    void rifaiAvvisi();
    void rifaiToccati();
    void rifaiModo();
    void rifaiUscite();
    void rifaiPiede();
    void carica();
    void salva();
    void disinstalla();

    Macchina& m_;
    QSettings* impostazioni_;
    StatoCatena* stato_;
    bool mostraLumeric_ = false;
    bool tono_ = false;
    bool toccatiInAttesa_ = false;
    std::function<void()> apriDisinstalla_;

    // Header.
    QLabel* stato_lbl_;
    QComboBox* uscite_;
    QLabel* suonaSu_;
    QPushButton* tonoBtn_;
    QPushButton* accendi_;
    Interruttore* lavora_;
    // Toolbar.
    QPushButton* lumeric_;
    QPushButton* tutto_;
    QLabel* preset_;
    QPushButton* ascolto_;
    QPushButton* radio_;
    QLabel* pendTitolo_;
    QPushButton* p24_;
    QPushButton* p48_;
    QLabel* pendNota_;
    QPushButton* toccatiBtn_;
    QPushButton* riparti_;
    QPushButton* caricaBtn_;
    QPushButton* salvaBtn_;
    QPushButton* disinstallaBtn_;
    QPushButton* linguaBtn_;
    // Notices and body.
    Controllo* controllo_;
    Avviso* allarme_;
    Avviso* messaggio_;
    PannelloOstrel* pannello_;
    Catena* catena_;
    QScrollArea* scorre_;
    // Footer.
    QLabel* aiuto_;
    QString piede_;  // the whole footer text (the label may cut it short)
    QList<QPushButton*> suoni_;
    Toccati* toccati_ = nullptr;
};

}  // namespace velmora
