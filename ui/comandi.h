// The control widgets: every catalogue parameter is moved through one of these. They show the
// engine's value of their key, re-read it whenever the model's revision moves (reading never
// writes back), write a change at once, and put their help in the footer while the pointer is
// over them.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "catalogo.h"

namespace velmora {

class Macchina;

// Tells the views that a widget moved a value itself (which bumps no revision), so that what
// depends on it (relevance marks, hidden counts, curves) can look again.
class Eco : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // The one belonging to this model (created on first use, owned by the model).
    static Eco& di(Macchina& m);
  signals:
    void mosso(const QString& chiave);
};

// Puts a help text in the footer while the pointer is over `w`; leaving clears it when it is
// still the same text. `testo` is asked at every entry, so it follows the language.
void conAiuto(QWidget* w, Macchina& m, std::function<QString()> testo);

// What the widgets have in common: the control, its value and the footer help.
class VistaComando : public QWidget {
    Q_OBJECT
  public:
    VistaComando(const Comando& c, Macchina& m, QWidget* genitore = nullptr);
    const Comando& comando() const { return c_; }
    double valore() const { return v_; }
    // The name in the interface language.
    QString nome() const;
    // The footer line: name, " — ", the help with its relevance mark.
    QString testoAiuto() const;

  protected:
    // Settles a moved value (range and step) and, when it differs, shows and writes it.
    void scrivi(double grezzo);
    // The name's colour and strike: struck and dimmed when it has no effect now, red when it
    // counts most.
    void preparaNome(QPainter& p, QFont f) const;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool event(QEvent* e) override;

    const Comando& c_;
    Macchina& m_;
    double v_ = 0;

  private:
    void rileggi();
};

// A vertical fader with the name above and the value below; a switch control is an on/off
// button reading "ACCESO" / "SPENTO".
class CursoreVerticale : public VistaComando {
    Q_OBJECT
  public:
    CursoreVerticale(const Comando& c, Macchina& m, QColor colore, int altezza = 160,
                     int larghezza = 74, QWidget* genitore = nullptr);
    // The value a drag at `y` points from the top of a fader `h` points high gives.
    static double valoreA(const Comando& c, double y, double h);
    // The value label: seconds and kilohertz above 1000, switches in words.
    static QString etichetta(const Comando& c, double v, bool italiano);
    // The fader's groove inside the widget.
    QRect gola() const;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void trascina(double y);
    bool sotto() const;
    QColor colore_;
    int altezza_, larghezza_;
    bool preso_ = false;
};

// A number dragged up and down: the whole range in 260 points, up raises it.
class Numero : public VistaComando {
    Q_OBJECT
  public:
    Numero(const Comando& c, Macchina& m, QString formato, QColor colore,
           QWidget* genitore = nullptr);
    QSize sizeHint() const override;
    QString testo() const;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    QString formato_;
    QColor colore_;
    std::optional<double> partenza_;
    double yInizio_ = 0;
};

// A labelled on/off switch over any boolean (a stage switch, "lavora"), with its help text.
class Interruttore : public QWidget {
    Q_OBJECT
  public:
    Interruttore(Macchina& m, std::function<QString()> nome, std::function<bool()> leggi,
                 std::function<void(bool)> scrivi, std::function<QString()> spiega, QColor colore,
                 QWidget* genitore = nullptr);
    bool acceso() const { return leggi_(); }
    QSize sizeHint() const override;
    // Draws again from the bound value.
    void rinfresca() { update(); }

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    Macchina& m_;
    std::function<QString()> nome_;
    std::function<bool()> leggi_;
    std::function<void(bool)> scrivi_;
    QColor colore_;
};

// The words of a switch: "ACCESO" / "SPENTO" in both languages.
QString parolaAcceso(bool acceso, bool italiano = true);

}  // namespace velmora
