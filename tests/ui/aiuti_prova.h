// What the interface tests share: a model over a fake capture layer with the built-in presets,
// and pointer events sent straight to a widget.
#pragma once

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <memory>

#include "comandi.h"
#include "finta_piattaforma.h"

namespace prova {

// The model of one test, with the stock preset loaded from the built-in copies.
struct Modello {
    Modello() {
        banco.cartelle.risorse = QStringLiteral(":/velmora/presets");
        banco.crea();
    }
    velmora::Macchina& m() { return *banco.macchina; }
    BancoModello banco;
};

// The keys of the controls a view shows now.
inline QStringList chiaviMostrate(QWidget* w) {
    QStringList k;
    for (const velmora::VistaComando* v : w->findChildren<velmora::VistaComando*>())
        if (!v->isHidden()) k << QString::fromStdString(v->comando().id);
    return k;
}

inline void evento(QWidget* w, QEvent::Type tipo, QPointF p, Qt::MouseButtons tasti) {
    QMouseEvent e(tipo, p, w->mapToGlobal(p),
                  tipo == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, tasti, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void premi(QWidget* w, QPointF p) {
    evento(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
}
inline void muovi(QWidget* w, QPointF p) {
    evento(w, QEvent::MouseMove, p, Qt::LeftButton);
}
inline void lascia(QWidget* w, QPointF p) {
    evento(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
}
inline void trascina(QWidget* w, QPointF da, QPointF a) {
    premi(w, da);
    muovi(w, a);
    lascia(w, a);
}
inline void entra(QWidget* w) {
    const QPointF p(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent e(p, p, w->mapToGlobal(p));
    QApplication::sendEvent(w, &e);
}
inline void esci(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

// The one widget of type T for which `pred` holds, or nullptr.
template <typename T, typename P>
T* trovaWidget(QWidget* radice, P pred) {
    for (T* w : radice->findChildren<T*>())
        if (pred(w)) return w;
    return nullptr;
}

}  // namespace prova
