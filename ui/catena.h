// The chain view: six numbered cards in the order sound passes through them, each collapsible
// with its own switch, and the grids of controls that decide what is shown: by default only the
// essential controls, and only those that act under the present settings.
#pragma once

#include <QFrame>
#include <QList>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QSettings;
class QVBoxLayout;

namespace velmora {

class Macchina;
class Flusso;
class Interruttore;
struct Comando;

// What the chain shows, shared by its groups: every control or the essential ones, and also the
// controls that do not act now ("mostraSpenti", remembered across launches).
class StatoCatena : public QObject {
    Q_OBJECT
  public:
    StatoCatena(QSettings* impostazioni, QObject* genitore = nullptr);
    bool tutto() const { return tutto_; }
    bool mostraSpenti() const { return mostraSpenti_; }
    void mettiTutto(bool si);
    void mettiMostraSpenti(bool si);
    QSettings* impostazioni() const { return impostazioni_; }
  signals:
    void cambiato();

  private:
    QSettings* impostazioni_;
    bool tutto_ = false;
    bool mostraSpenti_ = false;
};

// The controls of one catalogue section in a grid, with the count of those hidden for having no
// effect now and the toggle that shows them.
class GruppoComandi : public QWidget {
    Q_OBJECT
  public:
    GruppoComandi(Macchina& m, StatoCatena& stato, std::string sezione, QString nomeEn,
                  QString nomeIt, QColor colore, std::function<bool()> acceso,
                  QWidget* genitore = nullptr);
    // Shows another section (the band detail follows the selected band).
    void mettiSezione(std::string sezione);
    int nascosti() const { return nascosti_; }
    // The keys shown, in order.
    QStringList chiavi() const;
    // Looks at the values again (coalesced: once per turn of the event loop).
    void rivedi();
    // Rebuilds now when what should be shown differs from what is.
    void aggiorna();

  private:
    void rifaiTesti();
    Macchina& m_;
    StatoCatena& stato_;
    std::string sezione_;
    QString nomeEn_, nomeIt_;
    QColor colore_;
    std::function<bool()> acceso_;
    QLabel* testa_;
    QWidget* griglia_;
    Flusso* flusso_;
    QLabel* riga_;
    QPushButton* mostra_;
    std::vector<const Comando*> mostrati_;
    int nascosti_ = 0;
    bool inAttesa_ = false;
    bool costruito_ = false;
};

// A card: a numbered, coloured heading with its count and switch, and a body that collapses.
class Scheda : public QFrame {
    Q_OBJECT
  public:
    Scheda(Macchina& m, QSettings* impostazioni, QString chiaveAperta, QString titoloEn,
           QString titoloIt, QColor colore, int quanti, std::function<bool()> leggi,
           std::function<void(bool)> scrivi, QWidget* genitore = nullptr);
    void mettiCorpo(QWidget* corpo);
    bool aperta() const { return aperta_; }
    void mettiAperta(bool si);
    // The hidden counts of its groups, summed.
    int nascosti() const;
    QWidget* corpo() const { return corpo_; }
    Interruttore* interruttore() const { return interruttore_; }

  private:
    void rifaiTesta();
    Macchina& m_;
    QSettings* impostazioni_;
    QString chiave_, titoloEn_, titoloIt_;
    QColor colore_;
    int quanti_;
    std::function<bool()> leggi_;
    QPushButton* freccia_;
    QLabel* titolo_;
    QLabel* spento_;
    Interruttore* interruttore_;
    QWidget* corpo_ = nullptr;
    QVBoxLayout* l_;
    bool aperta_ = true;
};

class Catena : public QWidget {
    Q_OBJECT
  public:
    Catena(Macchina& m, StatoCatena& stato, QWidget* genitore = nullptr);
    // The number of catalogue controls in a section.
    static int quanti(std::string_view sezione);
    const QList<Scheda*>& schede() const { return schede_; }

  private:
    Macchina& m_;
    StatoCatena& stato_;
    QList<Scheda*> schede_;
};

}  // namespace velmora
