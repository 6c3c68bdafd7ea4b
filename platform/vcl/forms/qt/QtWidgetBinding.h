#pragma once
// The common part of every Qt binding: a widget that mirrors a control's
// state. Controls of other libraries (the edit box, say) derive their own
// binding from this one. This header is for bindings only.
#include "platform/vcl/forms/TControl.h"
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

class TPicture;

class QtWidgetBinding : public TWidgetBinding {
public:
    QtWidgetBinding(TControl& control, QWidget* widget);
    ~QtWidgetBinding() override;

    void* NativeWidget() const override { return m_widget.data(); }
    QWidget* Widget() const { return m_widget.data(); }
    TControl& Control() const { return m_control; }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetColor(TColor color, bool parentColor) override;
    void SetFont(const TFont& font) override;
    void SetHint(const AnsiString& hint, bool show) override;
    void SetCursor(int cursor) override;
    bool Focused() const override;
    void SetFocus() override;
    void Invalidate() override;

    // The widget a child binding is created in (null: a top-level window).
    static QWidget* ParentWidget(TWidgetBinding* parent);

protected:
    TControl& m_control;
    QPointer<QWidget> m_widget;
};

namespace qtbind {
QColor ToQColor(TColor color);
QFont ToQFont(const TFont& font);
QString ToQString(const AnsiString& text);
AnsiString FromQString(const QString& text);
// A copy of the picture's bitmap as an opaque image (null when it has none).
QImage ToQImage(const TPicture* picture);
}
