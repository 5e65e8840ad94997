#include "flusso.h"

#include <QWidget>
#include <algorithm>

namespace velmora {

Flusso::Flusso(QWidget* genitore, int spazio) : QLayout(genitore), spazio_(spazio) {
    setContentsMargins(0, 0, 0, 0);
}

Flusso::~Flusso() {
    while (QLayoutItem* i = takeAt(0)) delete i;
}

void Flusso::addItem(QLayoutItem* item) {
    voci_.append(item);
}

QLayoutItem* Flusso::takeAt(int i) {
    return i >= 0 && i < voci_.size() ? voci_.takeAt(i) : nullptr;
}

int Flusso::heightForWidth(int larghezza) const {
    return disponi({0, 0, larghezza, 0}, true);
}

QSize Flusso::minimumSize() const {
    QSize s;
    for (const QLayoutItem* i : voci_) s = s.expandedTo(i->minimumSize());
    return s;
}

QSize Flusso::sizeHint() const {
    // One row of everything is the natural size; the width actually given wraps it.
    int w = 0, h = 0;
    for (const QLayoutItem* i : voci_) {
        w += i->sizeHint().width() + spazio_;
        h = std::max(h, i->sizeHint().height());
    }
    return {std::min(w, 600), h};
}

void Flusso::setGeometry(const QRect& r) {
    QLayout::setGeometry(r);
    disponi(r, false);
}

int Flusso::disponi(const QRect& r, bool prova) const {
    int x = r.x(), y = r.y(), altezzaRiga = 0;
    for (QLayoutItem* i : voci_) {
        if (i->widget() && i->widget()->isHidden()) continue;
        const QSize s = i->sizeHint();
        if (x + s.width() > r.right() + 1 && altezzaRiga > 0) {
            x = r.x();
            y += altezzaRiga + spazio_;
            altezzaRiga = 0;
        }
        if (!prova) i->setGeometry(QRect(QPoint(x, y), s));
        x += s.width() + spazio_;
        altezzaRiga = std::max(altezzaRiga, s.height());
    }
    return y + altezzaRiga - r.y();
}

}  // namespace velmora
