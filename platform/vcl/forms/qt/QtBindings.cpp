#include "platform/vcl/forms/qt/QtBindings.h"
#include "platform/vcl/forms/TBitBtn.h"
#include "platform/vcl/forms/TCSpinEdit.h"
#include "platform/vcl/forms/TCheckBox.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TGraphicControl.h"
#include "platform/vcl/forms/TGroupBox.h"
#include "platform/vcl/forms/TImage.h"
#include "platform/vcl/forms/TLabel.h"
#include "platform/vcl/forms/TListBox.h"
#include "platform/vcl/forms/TPageControl.h"
#include "platform/vcl/forms/TPanel.h"
#include "platform/vcl/forms/TRadioButton.h"
#include "platform/vcl/forms/TStatusBar.h"
#include "platform/vcl/forms/TTrackBar.h"
#include "platform/vcl/forms/TdxfLabel.h"
#include "platform/vcl/forms/qt/QtWidgetBinding.h"
#include "platform/win/gdi/GdiExtensions.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

namespace {

using qtbind::ToQString;

unsigned short virtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Delete: return VK_DELETE;
    default: break;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<unsigned short>(qtKey);
    return 0;
}

// --- top-level window ---------------------------------------------------

class FormWidget : public QWidget {
public:
    explicit FormWidget(TForm& form) : m_form(form) { }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        bool accept = true;
        m_form.WidgetCloseRequested(accept);
        if (accept)
            event->accept();
        else
            event->ignore();
    }
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        m_form.WidgetPainted();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        unsigned short key = virtualKey(event->key());
        if (key && m_form.WidgetKeyPressed(key, 0)) {
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        m_form.WidgetResized(width(), height());
    }

private:
    TForm& m_form;
};

class FormBinding : public QtWidgetBinding {
public:
    explicit FormBinding(TForm& form)
        : QtWidgetBinding(form, new FormWidget(form))
        , m_form(form)
    {
        Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (form.BorderIcons() & biSystemMenu)
            flags |= Qt::WindowSystemMenuHint;
        if (form.BorderIcons() & biMinimize)
            flags |= Qt::WindowMinimizeButtonHint;
        if ((form.BorderIcons() & biMaximize) && form.BorderStyle() == bsSizeable)
            flags |= Qt::WindowMaximizeButtonHint;
        m_widget->setWindowFlags(flags);
    }
    void SetBounds(int left, int top, int width, int height) override
    {
        if (m_form.BorderStyle() == bsSingle || m_form.BorderStyle() == bsDialog)
            m_widget->setFixedSize(width, height);
        else
            m_widget->resize(width, height);
        if (m_form.Position() == poScreenCenter) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect area = screen->availableGeometry();
                m_widget->move(area.center() - QPoint(width / 2, height / 2));
            }
        } else {
            m_widget->move(left, top);
        }
    }
    void SetText(const AnsiString& text) override { m_widget->setWindowTitle(ToQString(text)); }

private:
    TForm& m_form;
};

// --- containers -----------------------------------------------------------

class PanelBinding : public QtWidgetBinding {
public:
    PanelBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new QFrame(parent))
    {
    }
    void SetBevel(int outer, int inner) override
    {
        auto* frame = static_cast<QFrame*>(m_widget.data());
        if (outer == bvNone && inner == bvNone) {
            frame->setFrameStyle(QFrame::NoFrame);
            return;
        }
        frame->setFrameStyle(QFrame::Panel | (outer == bvLowered ? QFrame::Sunken : QFrame::Raised));
        frame->setLineWidth(1);
    }
    void SetText(const AnsiString&) override { }
};

class GroupBoxBinding : public QtWidgetBinding {
public:
    GroupBoxBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new QGroupBox(parent))
    {
    }
    void SetText(const AnsiString& text) override { static_cast<QGroupBox*>(m_widget.data())->setTitle(ToQString(text)); }
};

class PageControlBinding : public QtWidgetBinding {
public:
    PageControlBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new QTabWidget(parent))
    {
        tabs()->setDocumentMode(true);
    }
    QTabWidget* tabs() const { return static_cast<QTabWidget*>(m_widget.data()); }
    void AddPage(QWidget* page, const AnsiString& caption)
    {
        tabs()->addTab(page, ToQString(caption));
        if (m_active >= 0 && m_active < tabs()->count())
            tabs()->setCurrentIndex(m_active);
    }
    void SetActivePage(int index) override
    {
        m_active = index;
        if (index >= 0 && index < tabs()->count())
            tabs()->setCurrentIndex(index);
    }

private:
    int m_active { 0 };
};

class TabSheetBinding : public QtWidgetBinding {
public:
    TabSheetBinding(TControl& control, TWidgetBinding* parent)
        : QtWidgetBinding(control, new QWidget)
    {
        if (auto* pages = dynamic_cast<PageControlBinding*>(parent))
            pages->AddPage(m_widget, control.Caption());
        else
            m_widget->setParent(ParentWidget(parent));
    }
    // A page's place and visibility belong to its page control.
    void SetBounds(int, int, int, int) override { }
    void SetVisible(bool) override { }
    void SetText(const AnsiString& text) override
    {
        if (auto* tabs = pageTabs())
            tabs->setTabText(tabs->indexOf(m_widget), ToQString(text));
    }

private:
    QTabWidget* pageTabs() const
    {
        for (QWidget* w = m_widget ? m_widget->parentWidget() : nullptr; w; w = w->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(w))
                return tabs;
        return nullptr;
    }
};

class StatusBarBinding : public QtWidgetBinding {
public:
    StatusBarBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new QFrame(parent))
    {
        static_cast<QFrame*>(m_widget.data())->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
};

// --- buttons and options ----------------------------------------------------

class ButtonBinding : public QtWidgetBinding {
public:
    ButtonBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new QPushButton(parent))
    {
        button()->setAutoDefault(false);
        QObject::connect(button(), &QPushButton::clicked, [&control] { control.WidgetClicked(); });
    }
    QPushButton* button() const { return static_cast<QPushButton*>(m_widget.data()); }
    void SetText(const AnsiString& text) override { button()->setText(ToQString(text)); }
    void SetDefault(bool isDefault) override { button()->setDefault(isDefault); }
    void SetPicture(const TPicture* picture, bool) override
    {
        QImage image = qtbind::ToQImage(picture);
        if (image.isNull()) {
            button()->setIcon(QIcon());
            return;
        }
        button()->setIcon(QIcon(QPixmap::fromImage(image)));
        button()->setIconSize(image.size());
    }
};

class CheckBoxBinding : public QtWidgetBinding {
public:
    CheckBoxBinding(TCheckBox& control, QWidget* parent)
        : QtWidgetBinding(control, new QCheckBox(parent))
    {
        QObject::connect(box(), &QCheckBox::toggled, [&control](bool on) { control.WidgetToggled(on); });
    }
    QCheckBox* box() const { return static_cast<QCheckBox*>(m_widget.data()); }
    void SetText(const AnsiString& text) override { box()->setText(ToQString(text)); }
    void SetChecked(bool checked) override { box()->setChecked(checked); }
};

class RadioButtonBinding : public QtWidgetBinding {
public:
    RadioButtonBinding(TRadioButton& control, QWidget* parent)
        : QtWidgetBinding(control, new QRadioButton(parent))
    {
        // The control keeps its group exclusive itself, across any parent.
        radio()->setAutoExclusive(false);
        QObject::connect(radio(), &QRadioButton::toggled, [&control](bool on) { control.WidgetToggled(on); });
    }
    QRadioButton* radio() const { return static_cast<QRadioButton*>(m_widget.data()); }
    void SetText(const AnsiString& text) override { radio()->setText(ToQString(text)); }
    void SetChecked(bool checked) override { radio()->setChecked(checked); }
};

class TrackBarBinding : public QtWidgetBinding {
public:
    TrackBarBinding(TTrackBar& control, QWidget* parent)
        : QtWidgetBinding(control, new QSlider(Qt::Horizontal, parent))
    {
        slider()->setTickPosition(control.TickStyle() == tsNone ? QSlider::NoTicks : QSlider::TicksBelow);
        slider()->setSingleStep(1);
        slider()->setPageStep(1);
        slider()->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(slider(), &QSlider::valueChanged, [&control](int v) { control.WidgetValueChanged(v); });
    }
    QSlider* slider() const { return static_cast<QSlider*>(m_widget.data()); }
    void SetRange(int min, int max) override { slider()->setRange(min, max); }
    void SetPosition(int position) override { slider()->setValue(position); }
};

class SpinEditBinding : public QtWidgetBinding {
public:
    SpinEditBinding(TCSpinEdit& control, QWidget* parent)
        : QtWidgetBinding(control, new QSpinBox(parent))
    {
        QObject::connect(spin(), &QSpinBox::valueChanged, [&control](int v) { control.WidgetValueChanged(v); });
    }
    QSpinBox* spin() const { return static_cast<QSpinBox*>(m_widget.data()); }
    void SetRange(int min, int max) override { spin()->setRange(min, max); }
    void SetPosition(int value) override { spin()->setValue(value); }
};

class ListBoxBinding : public QtWidgetBinding {
public:
    ListBoxBinding(TListBox& control, QWidget* parent)
        : QtWidgetBinding(control, new QListWidget(parent))
        , m_list(control)
    {
        Invalidate();
    }
    void Invalidate() override
    {
        auto* list = static_cast<QListWidget*>(m_widget.data());
        list->clear();
        for (int i = 0; i < m_list.Items()->Count(); ++i)
            list->addItem(ToQString(m_list.Items()->Get(i)));
    }

private:
    TListBox& m_list;
};

// --- pictures and texts -------------------------------------------------

class ClickableWidget : public QWidget {
public:
    ClickableWidget(TControl& control, QWidget* parent) : QWidget(parent), m_control(control) { }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_control.WidgetClicked();
    }
    TControl& m_control;
};

class ImageWidget : public ClickableWidget {
public:
    using ClickableWidget::ClickableWidget;
    QImage image;
    bool stretch { false };

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (image.isNull())
            return;
        QPainter painter(this);
        if (stretch) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), image);
        } else {
            painter.drawImage(0, 0, image);
        }
    }
};

class ImageBinding : public QtWidgetBinding {
public:
    ImageBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new ImageWidget(control, parent))
    {
    }
    void SetPicture(const TPicture* picture, bool stretch) override
    {
        auto* w = static_cast<ImageWidget*>(m_widget.data());
        w->image = qtbind::ToQImage(picture);
        w->stretch = stretch;
        w->update();
    }
};

class LabelWidget : public QLabel {
public:
    LabelWidget(TControl& control, QWidget* parent) : QLabel(parent), m_control(control) { }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_control.WidgetClicked();
    }

private:
    TControl& m_control;
};

class LabelBinding : public QtWidgetBinding {
public:
    LabelBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new LabelWidget(control, parent))
    {
    }
    void SetText(const AnsiString& text) override { static_cast<QLabel*>(m_widget.data())->setText(ToQString(text)); }
    // A label sizes itself to its text, from its top-left corner.
    void SetBounds(int left, int top, int width, int height) override
    {
        m_widget->adjustSize();
        m_widget->move(left, top);
    }
    void SetFont(const TFont& font) override
    {
        QtWidgetBinding::SetFont(font);
        m_widget->adjustSize();
    }
};

class RotatedLabelWidget : public QWidget {
public:
    using QWidget::QWidget;
    QString text;
    QColor color;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font());
        // Turned by 90 degrees: the text reads from the bottom up.
        painter.translate(0, height());
        painter.rotate(-90);
        QRect area(0, 0, height(), width());
        // Raised: a light edge up and to the left, a dark one down and to the right.
        painter.setPen(color.lighter(170));
        painter.drawText(area.translated(-1, -1), Qt::AlignCenter, text);
        painter.setPen(color.darker(250));
        painter.drawText(area.translated(1, 1), Qt::AlignCenter, text);
        painter.setPen(color);
        painter.drawText(area, Qt::AlignCenter, text);
    }
};

class RotatedLabelBinding : public QtWidgetBinding {
public:
    RotatedLabelBinding(TControl& control, QWidget* parent)
        : QtWidgetBinding(control, new RotatedLabelWidget(parent))
    {
    }
    RotatedLabelWidget* label() const { return static_cast<RotatedLabelWidget*>(m_widget.data()); }
    void SetText(const AnsiString& text) override
    {
        label()->text = ToQString(text);
        label()->update();
    }
    void SetFont(const TFont& font) override
    {
        label()->setFont(qtbind::ToQFont(font));
        label()->color = qtbind::ToQColor(font.Color);
        label()->update();
    }
};

// --- windowless controls --------------------------------------------------

class SurfaceWidget : public QWidget {
public:
    SurfaceWidget(TGraphicControl& control, QWidget* parent) : QWidget(parent), m_control(control)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        m_control.WidgetPaint();
        HBITMAP surface = m_control.Surface();
        uint32_t* bits = surface ? GdiBitmapBits(surface) : nullptr;
        if (!bits)
            return;
        QImage view(reinterpret_cast<const uchar*>(bits), GdiBitmapWidth(surface), GdiBitmapHeight(surface),
            GdiBitmapStride(surface), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(this);
        painter.drawImage(0, 0, view);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_control.WidgetClicked();
    }

private:
    TGraphicControl& m_control;
};

class SurfaceBinding : public QtWidgetBinding {
public:
    SurfaceBinding(TGraphicControl& control, QWidget* parent)
        : QtWidgetBinding(control, new SurfaceWidget(control, parent))
    {
    }
    // The surface shows the parent through wherever nothing was drawn.
    void SetColor(TColor, bool) override { }
};

}

namespace qtbind {

std::unique_ptr<TWidgetBinding> CreateBinding(TControl* control, TWidgetBinding* parent)
{
    QWidget* parentWidget = QtWidgetBinding::ParentWidget(parent);
    if (auto* form = dynamic_cast<TForm*>(control))
        return std::make_unique<FormBinding>(*form);
    if (!parentWidget)
        return nullptr;  // a child is created once its parent has a widget
    if (auto* sheet = dynamic_cast<TTabSheet*>(control))
        return std::make_unique<TabSheetBinding>(*sheet, parent);
    if (dynamic_cast<TPageControl*>(control))
        return std::make_unique<PageControlBinding>(*control, parentWidget);
    if (dynamic_cast<TGroupBox*>(control))
        return std::make_unique<GroupBoxBinding>(*control, parentWidget);
    if (dynamic_cast<TStatusBar*>(control))
        return std::make_unique<StatusBarBinding>(*control, parentWidget);
    if (dynamic_cast<TPanel*>(control))
        return std::make_unique<PanelBinding>(*control, parentWidget);
    if (dynamic_cast<TButton*>(control))
        return std::make_unique<ButtonBinding>(*control, parentWidget);
    if (auto* box = dynamic_cast<TCheckBox*>(control))
        return std::make_unique<CheckBoxBinding>(*box, parentWidget);
    if (auto* radio = dynamic_cast<TRadioButton*>(control))
        return std::make_unique<RadioButtonBinding>(*radio, parentWidget);
    if (auto* track = dynamic_cast<TTrackBar*>(control))
        return std::make_unique<TrackBarBinding>(*track, parentWidget);
    if (auto* spin = dynamic_cast<TCSpinEdit*>(control))
        return std::make_unique<SpinEditBinding>(*spin, parentWidget);
    if (auto* list = dynamic_cast<TListBox*>(control))
        return std::make_unique<ListBoxBinding>(*list, parentWidget);
    if (dynamic_cast<TImage*>(control))
        return std::make_unique<ImageBinding>(*control, parentWidget);
    if (dynamic_cast<TdxfLabel*>(control))
        return std::make_unique<RotatedLabelBinding>(*control, parentWidget);
    if (dynamic_cast<TLabel*>(control))
        return std::make_unique<LabelBinding>(*control, parentWidget);
    if (auto* graphic = dynamic_cast<TGraphicControl*>(control))
        return std::make_unique<SurfaceBinding>(*graphic, parentWidget);
    // Any other container: a plain widget to hold its children.
    return std::make_unique<PanelBinding>(*control, parentWidget);
}

}
