#include "view/adapters.h"

#include "form/controls.h"
#include "view/input_gate.h"
#include "view/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QtMath>
#include <algorithm>

namespace ccp::view {

Adapter::Adapter(form::Control& control, QObject* target, AdapterContext& context)
    : QObject(target), control_(control), target_(target), context_(context) {
    target->setObjectName(QString::fromStdString(control.name()));
    target->installEventFilter(this);
}

void Adapter::sync() {
    syncCommon();
}

void Adapter::syncCommon() {
    QWidget* w = widget();
    if (w == nullptr)
        return;
    w->setEnabled(control_.enabled());
    w->setToolTip(toQt(control_.hint()));
    // A hidden parent keeps its children hidden; isHidden() is the widget's own flag.
    if (w->isHidden() == control_.visible()) {
        w->setVisible(control_.visible());
        if (context_.visibilityChanged)
            context_.visibilityChanged();
    }
}

bool Adapter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool userMovedOn = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                 reason == Qt::MouseFocusReason || reason == Qt::OtherFocusReason;
        if (userMovedOn && control_.onExit && !context_.gate.ruleMovesFocus())
            context_.gate.userLeft(control_);
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// A widget whose size hint (also its minimum) is measured by measure() and
// kept until forgetHint(), or until its font or style changes: layouts ask
// for it many times over, and measuring text is not free.
template <class Widget> class MeasuredOnce : public Widget {
public:
    using Widget::Widget;
    QSize sizeHint() const override {
        if (!hint_.isValid())
            hint_ = measure();
        return hint_;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    virtual QSize measure() const = 0;
    void forgetHint() const { hint_ = QSize(); }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            forgetHint();
        Widget::changeEvent(event);
    }

private:
    mutable QSize hint_;
};

// An edit as wide as its typing limit in the font in use (capital letters,
// the widest the fields take), or as its text when code put a longer one in.
class FieldEdit : public MeasuredOnce<QLineEdit> {
public:
    explicit FieldEdit(QWidget* parent) : MeasuredOnce(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        if (hintText_ != text() || hintLength_ != maxLength())
            forgetHint();
        return MeasuredOnce::sizeHint();
    }

protected:
    QSize measure() const override {
        hintText_ = text();
        hintLength_ = maxLength();
        const QFontMetrics metrics = fontMetrics();
        const int chars = std::min(maxLength(), kWidestField);
        const int text = std::max(metrics.horizontalAdvance(QString(chars, QChar('X'))),
                                  metrics.horizontalAdvance(hintText_));
        // The text with QLineEdit's own margins: 2 pixels left and right,
        // 1 above and below.
        const QMargins m = textMargins();
        const QSize contents(text + 4 + 1 + m.left() + m.right(),
                             std::max(metrics.height(), 14) + 2 + m.top() + m.bottom());
        QStyleOptionFrame option;
        initStyleOption(&option);
        return style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this);
    }

private:
    mutable QString hintText_;
    mutable int hintLength_ = -1;
    static constexpr int kWidestField = 16;
};

class EditAdapter : public Adapter {
public:
    EditAdapter(form::Edit& edit, QLineEdit* widget, AdapterContext& context)
        : Adapter(edit, widget, context), edit_(edit) {
        connect(widget, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (!inserting_)
                edit_.userEdit(fromQt(text));
        });
        sync();
    }

    void sync() override {
        syncCommon();
        auto* w = static_cast<QLineEdit*>(widget());
        QSignalBlocker block(w);
        const QString text = toQt(edit_.text());
        // A text set from code may be longer than the typing limit and shows whole.
        const int limit = edit_.maxLength() > 0 ? edit_.maxLength() : 32767;
        w->setMaxLength(std::max<int>(limit, static_cast<int>(text.size())));
        if (w->text() != text) {
            w->setText(text);
            w->updateGeometry();
        }
        w->setReadOnly(edit_.readOnly());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::KeyPress)
            return filterKey(static_cast<QKeyEvent*>(event));
        return Adapter::eventFilter(watched, event);
    }

private:
    // Returns true when the key is swallowed.
    bool filterKey(QKeyEvent* key) {
        const QString text = key->text();
        if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false; // navigation keys and shortcuts (paste) bypass the filter
        const int code = text.at(0).unicode();
        std::optional<int> result;
        edit_.form().dispatch([&] { result = edit_.filterKey(code); });
        if (!result)
            return true;
        if (*result == code)
            return false;
        auto* w = static_cast<QLineEdit*>(widget());
        if (w->isReadOnly())
            return true;
        inserting_ = true;
        w->insert(QString(QChar(*result)));
        inserting_ = false;
        edit_.userEdit(fromQt(w->text()));
        return true;
    }

    form::Edit& edit_;
    bool inserting_ = false;
};

// A list as wide as its widest item, whichever is selected: the width Qt's
// AdjustToContents gives, without the pop-up frame that policy builds for
// every list as soon as it has items (about a millisecond each, and the
// window has some ninety lists). The adapter tells the layout when the items
// change.
class FittedComboBox : public MeasuredOnce<QComboBox> {
public:
    using MeasuredOnce::MeasuredOnce;

    // The items, replaced in one step; the widest is measured once for them.
    void setItems(const QStringList& items) {
        clear();
        addItems(items);
        forgetHint();
        updateGeometry();
    }

protected:
    QSize measure() const override {
        const QFontMetrics metrics = fontMetrics();
        const int width = widestItem(metrics);
        const int height = std::max(qCeil(QFontMetricsF(metrics).height()), 14) + 2;
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear(); // the width is the widest item's, whichever is shown
        return style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(width, height), this);
    }

private:
    // Many lists hold the same items (the formats of the eight capcodes'
    // four tones, say): the widest of a list is measured once per font.
    int widestItem(const QFontMetrics& metrics) const {
        if (count() == 0)
            return 7 * metrics.horizontalAdvance(QLatin1Char('x'));
        QString key = font().key();
        for (int i = 0; i < count(); ++i)
            key += QChar(0) + itemText(i);
        static QHash<QString, int> widths;
        if (const auto known = widths.constFind(key); known != widths.constEnd())
            return *known;
        int width = 0;
        for (int i = 0; i < count(); ++i)
            width = std::max(width, metrics.horizontalAdvance(itemText(i)));
        widths.insert(key, width);
        return width;
    }
};

class ComboAdapter : public Adapter {
public:
    ComboAdapter(form::ComboBox& list, FittedComboBox* widget, AdapterContext& context)
        : Adapter(list, widget, context), list_(list) {
        connect(widget, &QComboBox::activated, this, [this](int index) { list_.userPick(index); });
        sync();
    }

    void sync() override {
        syncCommon();
        auto* w = static_cast<FittedComboBox*>(widget());
        QSignalBlocker block(w);
        QStringList items;
        for (const std::string& item : list_.items())
            items << toQt(item);
        QStringList shown;
        for (int i = 0; i < w->count(); ++i)
            shown << w->itemText(i);
        if (shown != items)
            w->setItems(items);
        w->setCurrentIndex(list_.index());
    }

private:
    form::ComboBox& list_;
};

class CheckAdapter : public Adapter {
public:
    CheckAdapter(form::CheckBox& box, QCheckBox* widget, AdapterContext& context)
        : Adapter(box, widget, context), box_(box) {
        connect(widget, &QCheckBox::clicked, this, [this] {
            box_.userClick();
            sync(); // the click rule may have refused the new state
        });
        sync();
    }

    void sync() override {
        syncCommon();
        auto* w = static_cast<QCheckBox*>(widget());
        QSignalBlocker block(w);
        w->setText(toQt(box_.caption()));
        w->setChecked(box_.checked());
    }

private:
    form::CheckBox& box_;
};

class LabelAdapter : public Adapter {
public:
    LabelAdapter(form::Control& label, QLabel* widget, AdapterContext& context)
        : Adapter(label, widget, context) {
        sync();
    }
    void sync() override {
        syncCommon();
        static_cast<QLabel*>(widget())->setText(toQt(control().caption()));
    }
};

class GroupAdapter : public Adapter {
public:
    GroupAdapter(form::Control& group, QGroupBox* widget, AdapterContext& context)
        : Adapter(group, widget, context) {
        sync();
    }
    void sync() override {
        syncCommon();
        static_cast<QGroupBox*>(widget())->setTitle(toQt(control().caption()));
    }
};

class ListBoxAdapter : public Adapter {
public:
    ListBoxAdapter(form::ListBox& list, QListWidget* widget, AdapterContext& context)
        : Adapter(list, widget, context), list_(list) {
        connect(widget, &QListWidget::currentRowChanged, this,
                [this](int row) { list_.userPick(row); });
        sync();
    }
    void sync() override {
        syncCommon();
        auto* w = static_cast<QListWidget*>(widget());
        QSignalBlocker block(w);
        w->clear();
        for (const std::string& item : list_.items())
            w->addItem(toQt(item));
        w->setCurrentRow(list_.index());
    }

private:
    form::ListBox& list_;
};

// The log pane: red text, wrapped lines, a vertical scroll bar only, the
// newest line in view. The model's lines are appended as they come; what the
// user types goes to the model once and is not shown a second time.
class LogAdapter : public Adapter {
public:
    LogAdapter(form::LogPane& log, QPlainTextEdit* widget, AdapterContext& context)
        : Adapter(log, widget, context), log_(log) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, Qt::red);
        widget->setPalette(palette);
        widget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        widget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        widget->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        // Tab and Shift+Tab move the focus, as everywhere else in the window.
        widget->setTabChangesFocus(true);
        connect(widget, &QPlainTextEdit::textChanged, this, [this] {
            if (syncing_)
                return;
            typing_ = true;
            log_.userEdit(this->context().fileNames.keep(
                static_cast<QPlainTextEdit*>(this->widget())->toPlainText()));
            typing_ = false;
            shown_ = log_.lines();
        });
        sync();
    }

    void sync() override {
        syncCommon();
        const auto& lines = log_.lines();
        if (typing_ || lines == shown_)
            return;
        auto* w = static_cast<QPlainTextEdit*>(widget());
        syncing_ = true;
        const bool appended =
            lines.size() > shown_.size() && std::equal(shown_.begin(), shown_.end(), lines.begin());
        if (appended) {
            QTextCursor end(w->document());
            end.movePosition(QTextCursor::End);
            // An empty pane, or the empty line after a line break the user
            // typed (the model keeps no such line), takes the first new line.
            bool intoLast = w->document()->blockCount() > static_cast<int>(shown_.size());
            for (std::size_t i = shown_.size(); i < lines.size(); ++i) {
                if (!intoLast)
                    end.insertBlock();
                intoLast = false;
                end.insertText(context().fileNames.show(lines[i]));
            }
        } else {
            QStringList all;
            for (const std::string& line : lines)
                all << context().fileNames.show(line);
            w->setPlainText(all.join('\n'));
        }
        shown_ = lines;
        syncing_ = false;
        w->verticalScrollBar()->setValue(w->verticalScrollBar()->maximum());
    }

private:
    form::LogPane& log_;
    std::vector<std::string> shown_;
    bool syncing_ = false;
    bool typing_ = false;
};

class ProgressAdapter : public Adapter {
public:
    ProgressAdapter(form::ProgressBar& bar, QProgressBar* widget, AdapterContext& context)
        : Adapter(bar, widget, context), bar_(bar) {
        sync();
    }
    void sync() override {
        syncCommon();
        auto* w = static_cast<QProgressBar*>(widget());
        w->setRange(bar_.min(), bar_.max());
        w->setValue(bar_.position());
    }

private:
    form::ProgressBar& bar_;
};

class TabSheetAdapter : public Adapter {
public:
    TabSheetAdapter(form::Control& page, QWidget* widget, QTabWidget* tabs, AdapterContext& context)
        : Adapter(page, widget, context), tabs_(tabs) {
        QSignalBlocker block(tabs); // adding the first tab makes it current
        tabs->addTab(widget, toQt(page.caption()).replace("&&", "&"));
    }
    void sync() override {
        tabs_->setTabText(tabs_->indexOf(widget()), toQt(control().caption()));
        tabs_->setTabEnabled(tabs_->indexOf(widget()), control().enabled());
    }

private:
    QTabWidget* tabs_;
};

class PagesAdapter : public Adapter {
public:
    PagesAdapter(form::PageControl& pages, QTabWidget* widget, AdapterContext& context)
        : Adapter(pages, widget, context), pages_(pages) {
        widget->setTabPosition(QTabWidget::West);
        widget->setUsesScrollButtons(false);
        connect(widget, &QTabWidget::currentChanged, this, [this](int index) {
            if (index >= 0 && index < static_cast<int>(pages_.pages().size()))
                pages_.setActivePage(pages_.pages()[index]);
        });
    }
    void sync() override {
        syncCommon();
        auto* w = static_cast<QTabWidget*>(widget());
        QSignalBlocker block(w);
        const auto& pages = pages_.pages();
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (pages[i] == pages_.activePage())
                w->setCurrentIndex(static_cast<int>(i));
    }

private:
    form::PageControl& pages_;
};

void placeWidget(QWidget* w, const form::Control& control) {
    const form::Bounds& b = control.bounds();
    w->setGeometry(b.left, b.top, b.width, b.height);
}

} // namespace

Adapter* createAdapter(form::Control& control, QWidget* parent, AdapterContext& context) {
    using form::ControlKind;
    Adapter* adapter = nullptr;
    switch (control.kind()) {
    case ControlKind::Edit:
        adapter =
            new EditAdapter(static_cast<form::Edit&>(control), new FieldEdit(parent), context);
        break;
    case ControlKind::ComboBox:
        adapter = new ComboAdapter(static_cast<form::ComboBox&>(control),
                                   new FittedComboBox(parent), context);
        break;
    case ControlKind::CheckBox:
        adapter =
            new CheckAdapter(static_cast<form::CheckBox&>(control), new QCheckBox(parent), context);
        break;
    case ControlKind::Label:
        adapter = new LabelAdapter(control, new QLabel(parent), context);
        break;
    case ControlKind::GroupBox:
        adapter = new GroupAdapter(control, new QGroupBox(parent), context);
        break;
    case ControlKind::ListBox:
        adapter = new ListBoxAdapter(static_cast<form::ListBox&>(control), new QListWidget(parent),
                                     context);
        break;
    case ControlKind::LogPane:
        adapter = new LogAdapter(static_cast<form::LogPane&>(control), new QPlainTextEdit(parent),
                                 context);
        break;
    case ControlKind::ProgressBar:
        adapter = new ProgressAdapter(static_cast<form::ProgressBar&>(control),
                                      new QProgressBar(parent), context);
        break;
    case ControlKind::PageControl:
        adapter = new PagesAdapter(static_cast<form::PageControl&>(control), new QTabWidget(parent),
                                   context);
        break;
    case ControlKind::TabSheet: {
        auto* tabs = qobject_cast<QTabWidget*>(parent);
        adapter = new TabSheetAdapter(control, new QWidget(), tabs, context);
        return adapter; // the tab widget lays its pages out
    }
    case ControlKind::Window:
    case ControlKind::MenuItem:
        return nullptr; // built by the main window
    }
    if (adapter != nullptr && adapter->widget() != nullptr)
        placeWidget(adapter->widget(), control);
    return adapter;
}

} // namespace ccp::view
