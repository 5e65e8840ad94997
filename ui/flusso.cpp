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

int Flusso::disponi(const QRect& tutto, bool prova) const {
    const QMargins mg = contentsMargins();
    const QRect r = tutto.marginsRemoved(mg);
    // Rows first, then each row's items centred on its height.
    QList<QList<QLayoutItem*>> righe(1);
    QList<int> alte{0};
    int x = r.x();
    for (QLayoutItem* i : voci_) {
        if (i->widget() && i->widget()->isHidden()) continue;
        const QSize s = i->sizeHint();
        if (x + s.width() > r.right() + 1 && !righe.last().isEmpty()) {
            righe.append(QList<QLayoutItem*>());
            alte.append(0);
            x = r.x();
        }
        righe.last().append(i);
        alte.last() = std::max(alte.last(), s.height());
        x += s.width() + spazio_;
    }
    int y = r.y();
    for (qsizetype k = 0; k < righe.size(); ++k) {
        if (!prova) {
            int xx = r.x();
            for (QLayoutItem* i : righe[k]) {
                const QSize s = i->sizeHint();
                i->setGeometry(QRect(QPoint(xx, y + (alte[k] - s.height()) / 2), s));
                xx += s.width() + spazio_;
            }
        }
        y += alte[k] + (k + 1 < righe.size() ? spazio_ / 2 : 0);
    }
    return y - r.y() + mg.top() + mg.bottom();
}

}  // namespace velmora
