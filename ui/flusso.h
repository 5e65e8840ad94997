// A layout that lays its widgets out in rows, wrapping at the available width.
#pragma once

#include <QLayout>
#include <QList>

namespace velmora {

class Flusso : public QLayout {
  public:
    explicit Flusso(QWidget* genitore = nullptr, int spazio = 2);
    ~Flusso() override;
    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(voci_.size()); }
    QLayoutItem* itemAt(int i) const override { return voci_.value(i); }
    QLayoutItem* takeAt(int i) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int larghezza) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& r) override;

  private:
    int disponi(const QRect& r, bool prova) const;
    QList<QLayoutItem*> voci_;
    int spazio_;
};

}  // namespace velmora
