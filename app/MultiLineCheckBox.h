// A check box whose text wraps onto further lines within its width, for templates that give
// a long text a narrow, tall box.
#pragma once

#include <QCheckBox>

class CMultiLineCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CMultiLineCheckBox(const QString& text, QWidget* pParent = nullptr);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect TextRect() const;
};
