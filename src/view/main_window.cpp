#include "view/main_window.h"

#include "view/page_layout.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

namespace ccp::view {
namespace {

// Keys for the commands a technician runs pager after pager; the captions on
// the bar stay as they are. None of them is a line edit's own key.
QKeySequence shortcutFor(const app::TForm1& form, const app::MenuItem& item) {
    if (&item == &form.ReadFromPager)
        return QKeySequence(Qt::CTRL | Qt::Key_R);
    if (&item == &form.WriteToPager)
        return QKeySequence(Qt::CTRL | Qt::Key_W);
    if (&item == &form.CompareWithPager)
        return QKeySequence(Qt::CTRL | Qt::Key_M);
    return {};
}

} // namespace

namespace {
// The progress dialog draws its caption itself, in bold above the bar: a
// window manager's title bar may cut a long caption short and offers
// buttons (minimise, maximise) that some managers draw whatever a window
// asks. It has no title bar, and nothing closes it but the operation.
class ProgressDialog : public QDialog {
public:
    explicit ProgressDialog(QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
        panel_ = new QFrame(this);
        panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel_->lower();
        caption_ = new QLabel(this);
        QFont bold = caption_->font();
        bold.setBold(true);
        caption_->setFont(bold);
    }
    void reject() override {}
    QLabel* caption() const { return caption_; }
    QFrame* panel() const { return panel_; }

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

private:
    QFrame* panel_;
    QLabel* caption_;
};
} // namespace

MainWindow::MainWindow(app::TForm1& form)
    : form_(form),
      gate_(form, nullptr), context_{gate_, fileNames_, [this] { scheduleRelayout(); }} {
    setObjectName("Form1");
    // Fixed size, system menu and minimise box only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    client_ = new QWidget(this);
    setCentralWidget(client_);

    progress_ = new ProgressDialog(this);
    progress_->setObjectName("State_Form");
    progress_->setModal(false);
    // Shown while an operation holds the thread: it paints but takes no input.
    progress_->setAttribute(Qt::WA_ShowWithoutActivating);
    gate_.guard(this);
    gate_.guard(progress_);

    for (form::Control* control : form.controls())
        ensureWidget(*control);
    for (auto& [control, adapter] : adapters_)
        adapter->sync();
    arrange();
    buildMenu();
    syncWindow(form.Form1);
    syncWindow(form.State_Form.State_Form);
    form.setObserver(this);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    placeOnScreen();
}

void MainWindow::placeOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    // The frame is known once the window manager has framed the window; the
    // client area is what can be measured before.
    const QSize size = frameGeometry().size().expandedTo(this->size());
    const int x = area.left() + std::max(0, (area.width() - size.width()) / 2);
    const int y = area.top() + std::max(0, (area.height() - size.height()) / 2);
    move(x, y);
}

void MainWindow::scheduleRelayout() {
    if (relayoutPosted_)
        return;
    relayoutPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { relayoutPages(); }, Qt::QueuedConnection);
}

void MainWindow::relayoutPages() {
    relayoutPosted_ = false;
    // Deepest first: a group's size follows its rows, a page's its groups.
    // A hidden page's layout ignores the requests its children post, so
    // each one is recomputed here.
    std::vector<std::pair<int, QLayout*>> layouts;
    for (QWidget* w : client_->findChildren<QWidget*>()) {
        if (w->layout() == nullptr)
            continue;
        int depth = 0;
        for (QWidget* p = w; p != client_; p = p->parentWidget())
            ++depth;
        layouts.emplace_back(depth, w->layout());
    }
    std::stable_sort(layouts.begin(), layouts.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [depth, layout] : layouts) {
        layout->invalidate();
        layout->activate();
    }
    client_->layout()->invalidate();
    client_->layout()->activate();
    layout()->activate();
}

MainWindow::~MainWindow() {
    form_.setObserver(nullptr);
    // The widgets go before the gate and the names they use: a focused
    // field reports its focus-out while it is destroyed.
    delete progress_;
    delete takeCentralWidget();
}

QWidget* MainWindow::ensureWidget(form::Control& control) {
    if (auto it = adapters_.find(&control); it != adapters_.end())
        return it->second->widget();
    using form::ControlKind;
    if (control.kind() == ControlKind::MenuItem)
        return nullptr;
    if (control.kind() == ControlKind::Window)
        return &control == &form_.Form1 ? client_ : progress_;
    QWidget* parent = control.parent() != nullptr ? ensureWidget(*control.parent()) : client_;
    Adapter* adapter = createAdapter(control, parent, context_);
    if (adapter == nullptr)
        return nullptr;
    adapters_[&control] = adapter;
    return adapter->widget();
}

// Qt layouts from the page layout: sizes follow the font in use, and a
// hidden widget takes no room, so rows close up around hidden options.
void MainWindow::arrange() {
    for (const Box& box : pageLayout(form_)) {
        auto* columns = new QHBoxLayout(widgetFor(*box.container));
        columns->setSpacing(kColumnSpacing);
        for (const Column& column : box.columns) {
            auto* grid = new QGridLayout;
            grid->setHorizontalSpacing(kCellSpacing);
            grid->setVerticalSpacing(kRowSpacing);
            for (int r = 0; r < static_cast<int>(column.size()); ++r) {
                int c = 0;
                for (const Cell& cell : column[static_cast<std::size_t>(r)]) {
                    if (cell.controls.size() == 1) {
                        // A cell spanning columns keeps its own width.
                        const Qt::Alignment align = cell.span > 1 ? Qt::AlignLeft : Qt::Alignment();
                        grid->addWidget(widgetFor(*cell.controls[0]), r, c, 1, cell.span, align);
                    } else if (!cell.controls.empty()) {
                        auto* shared = new QHBoxLayout;
                        shared->setSpacing(kCellSpacing);
                        for (form::Control* control : cell.controls)
                            shared->addWidget(widgetFor(*control));
                        shared->addStretch();
                        grid->addLayout(shared, r, c, 1, cell.span);
                    }
                    c += cell.span;
                }
            }
            // Top-aligned at its own height: a shorter column keeps its rows
            // together, and no stretch inside a group makes the group grow.
            columns->addLayout(grid);
            columns->setAlignment(grid, Qt::AlignTop);
        }
        columns->addStretch();
    }

    // The pages above, the log pane and the device list below, the log
    // starting where the pages do, right of the tabs.
    auto* tabs = static_cast<QTabWidget*>(widgetFor(form_.PageControl1));
    QWidget* log = widgetFor(form_.Memo1);
    QWidget* devices = widgetFor(form_.DevListBox);
    const QFontMetrics metrics = log->fontMetrics();
    log->setFixedHeight(4 * metrics.lineSpacing() + 12);
    devices->setFixedSize(24 * metrics.averageCharWidth(), log->height());
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(tabs->tabBar()->sizeHint().width(), 0, 0, 0);
    bottom->addWidget(log, 1);
    bottom->addWidget(devices);
    auto* window = new QVBoxLayout(client_);
    window->setContentsMargins(2, 2, 2, 2);
    window->addWidget(tabs);
    window->addLayout(bottom);
}

void MainWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    for (app::MenuItem* item : form_.MainMenu) {
        if (item->items().empty()) {
            // Write, read and the platform item are commands on the bar itself.
            QAction* action = bar->addAction(toQt(item->caption()));
            action->setObjectName(QString::fromStdString(item->name()));
            action->setShortcut(shortcutFor(form_, *item));
            connect(action, &QAction::triggered, this, [this, item] { clicked(*item); });
            actions_[item] = action;
        } else {
            QMenu* menu = bar->addMenu(toQt(item->caption()));
            menu->setObjectName(QString::fromStdString(item->name()));
            menu->setToolTipsVisible(true);
            menus_[item] = menu;
            actions_[item] = menu->menuAction();
            for (app::MenuItem* sub : item->items())
                buildAction(*sub, menu);
        }
        syncMenuItem(*item);
    }
}

QAction* MainWindow::buildAction(app::MenuItem& item, QMenu* menu) {
    QAction* action = item.isSeparator() ? menu->addSeparator() : menu->addAction(QString());
    action->setObjectName(QString::fromStdString(item.name()));
    if (!item.isSeparator())
        connect(action, &QAction::triggered, this, [this, &item] { clicked(item); });
    actions_[&item] = action;
    syncMenuItem(item);
    return action;
}

// Qt toggles a checkable action before it reports the trigger; the model
// decides the checked state, so the action shows it again afterwards.
void MainWindow::clicked(app::MenuItem& item) {
    QPointer<MainWindow> alive(this);
    // The fields the user left before choosing: their exit rules first.
    gate_.runPendingExits();
    if (alive == nullptr || gate_.busy())
        return;
    item.userClick();
    if (alive == nullptr)
        return;
    syncMenuItem(item);
    const bool pagerOperation = &item == &form_.ReadFromPager || &item == &form_.WriteToPager ||
                                &item == &form_.CompareWithPager;
    if (pagerOperation && afterOperation_)
        afterOperation_();
}

void MainWindow::setTitleNote(const QString& note) {
    titleNote_ = note;
    syncWindow(form_.Form1);
}

void MainWindow::syncMenuItem(app::MenuItem& item) {
    QAction* action = actions_.at(&item);
    if (!item.isSeparator()) {
        action->setText(toQt(item.caption()));
        action->setCheckable(item.checked());
        action->setChecked(item.checked());
        action->setToolTip(toQt(item.hint()));
        action->setStatusTip(toQt(item.hint()));
    }
    action->setEnabled(item.enabled());
    action->setVisible(item.visible());
}

void MainWindow::syncWindow(form::Control& window) {
    if (&window == &form_.Form1) {
        setWindowTitle(toQt(window.caption()) + titleNote_);
        return;
    }
    progress_->setWindowTitle(toQt(window.caption()));
    // Measured only when it shows: the caption's text layout is not free and
    // the hidden dialog's captions change at every start-up rule.
    if (window.visible())
        syncProgressSize();
    if (window.visible() != progress_->isVisible()) {
        if (window.visible()) {
            progress_->show();
            progress_->move(geometry().center() - progress_->rect().center());
            gate_.beginOperation();
        } else {
            progress_->hide();
            gate_.endOperation();
        }
    }
}

// The caption above the bar, both with the designed margins; as wide as the
// caption needs, at least as designed.
void MainWindow::syncProgressSize() {
    auto* dialog = static_cast<ProgressDialog*>(progress_);
    const form::Bounds& design = form_.State_Form.State_Form.bounds();
    const form::Bounds& bar = form_.State_Form.ProgressBar1.bounds();
    QLabel* caption = dialog->caption();
    caption->setText(progress_->windowTitle());
    const QSize text = caption->sizeHint();
    const int width = std::max(design.width, text.width() + 2 * bar.left);
    const int barTop = bar.top + text.height() + kRowSpacing;
    caption->setGeometry(bar.left, bar.top, width - 2 * bar.left, text.height());
    if (QWidget* w = widgetFor(form_.State_Form.ProgressBar1))
        w->setGeometry(bar.left, barTop, width - 2 * bar.left, bar.height);
    progress_->setFixedSize(width, barTop + bar.height + design.height - bar.top - bar.height);
    dialog->panel()->setGeometry(progress_->rect());
}

void MainWindow::controlChanged(form::Control& control) {
    switch (control.kind()) {
    case form::ControlKind::MenuItem:
        if (actions_.count(&control) != 0)
            syncMenuItem(static_cast<app::MenuItem&>(control));
        return;
    case form::ControlKind::Window:
        syncWindow(control);
        return;
    default:
        if (auto it = adapters_.find(&control); it != adapters_.end())
            it->second->sync();
    }
}

QObject* MainWindow::objectFor(const form::Control& control) const {
    if (auto it = adapters_.find(&control); it != adapters_.end())
        return it->second->target();
    if (auto it = menus_.find(&control); it != menus_.end())
        return it->second;
    if (auto it = actions_.find(&control); it != actions_.end())
        return it->second;
    if (&control == &form_.Form1)
        return const_cast<MainWindow*>(this);
    if (&control == &form_.State_Form.State_Form)
        return progress_;
    return nullptr;
}

QWidget* MainWindow::widgetFor(const form::Control& control) const {
    return qobject_cast<QWidget*>(objectFor(control));
}

} // namespace ccp::view
