// The notice box and the pre-start checklist.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QVBoxLayout;

namespace velmora {

class Macchina;

// A rounded box with an icon and a text: a red warning sign when grave, else a blue "i".
class Avviso : public QFrame {
    Q_OBJECT
  public:
    explicit Avviso(QWidget* genitore = nullptr);
    void mostra(const QString& testo, bool grave);
    QString testo() const;
    bool grave() const { return grave_; }

  private:
    QLabel* icona_;
    QLabel* testo_;
    bool grave_ = false;
};

// "BEFORE WE START": one row per checklist step, the remedy under a failed one, a button to
// open the step's link, and "Check again".
class Controllo : public QFrame {
    Q_OBJECT
  public:
    explicit Controllo(Macchina& m, QWidget* genitore = nullptr);
    // Rebuilds the rows from the model's checklist.
    void ricostruisci();

  private:
    Macchina& m_;
    QVBoxLayout* righe_;
};

}  // namespace velmora
