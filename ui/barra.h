// The tray panel: the status dot and word, the version, Start/Stop, "Open the window" and
// "Quit". Without a tray on the desktop the application works from its window alone.
#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class QWidgetAction;

namespace velmora {

class Macchina;

class PannelloBarra : public QObject {
    Q_OBJECT
  public:
    // `finestra`: the main window it opens.
    PannelloBarra(Macchina& m, QWidget* finestra, QObject* genitore = nullptr);
    ~PannelloBarra() override;
    // True when the desktop shows tray icons (the panel exists only then).
    bool presente() const { return icona_ != nullptr; }
    QMenu* menu() const { return menu_; }
    // The texts of the status row and of the start/stop entry, as shown.
    QString parolaStato() const;
    QString testoAccendi() const;
    void accendiOFerma();
    void apriFinestra();

  private:
    void rifai();
    Macchina& m_;
    QPointer<QWidget> finestra_;
    QSystemTrayIcon* icona_ = nullptr;
    QMenu* menu_ = nullptr;
    QLabel* punto_ = nullptr;
    QLabel* parola_ = nullptr;
    QAction* accendi_ = nullptr;
    QAction* apri_ = nullptr;
    QAction* esci_ = nullptr;
};

}  // namespace velmora
