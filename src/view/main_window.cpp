#include "view/main_window.h"

#include "view/adapters.h"
#include "view/text.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>

namespace ccp::view {

MainWindow::MainWindow(app::TForm1& form) : form_(form) {
    setObjectName("Form1");
    // Fixed size, system menu and minimise box only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);

    client_ = new QWidget(this);
    const form::Bounds& b = form.Form1.bounds();
    client_->setFixedSize(b.width, b.height);
    setCentralWidget(client_);

    progress_ = new QDialog(this, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    progress_->setObjectName("State_Form");
    progress_->setModal(false);
    const form::Bounds& pb = form.State_Form.State_Form.bounds();
    progress_->setFixedSize(pb.width, pb.height);
    // Shown while an operation holds the thread: it paints but takes no input.
    progress_->setAttribute(Qt::WA_ShowWithoutActivating);

    for (form::Control* control : form.controls())
        ensureWidget(*control);
    for (auto& [control, adapter] : adapters_)
        adapter->sync();
    buildMenu();
    syncWindow(form.Form1);
    syncWindow(form.State_Form.State_Form);
    form.setObserver(this);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
    form_.setObserver(nullptr);
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
    Adapter* adapter = createAdapter(control, parent);
    if (adapter == nullptr)
        return nullptr;
    adapters_[&control] = adapter;
    return adapter->widget();
}

void MainWindow::buildMenu() {
    QMenuBar* bar = menuBar();
    for (app::MenuItem* item : form_.MainMenu) {
        if (item->items().empty()) {
            // Write, read and the platform item are commands on the bar itself.
            QAction* action = bar->addAction(toQt(item->caption()));
            action->setObjectName(QString::fromStdString(item->name()));
            connect(action, &QAction::triggered, this, [item] { item->userClick(); });
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
        connect(action, &QAction::triggered, this, [&item] { item.userClick(); });
    actions_[&item] = action;
    syncMenuItem(item);
    return action;
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
        setWindowTitle(toQt(window.caption()));
        return;
    }
    progress_->setWindowTitle(toQt(window.caption()));
    if (window.visible() != progress_->isVisible()) {
        if (window.visible()) {
            progress_->show();
            progress_->move(geometry().center() - progress_->rect().center());
        } else {
            progress_->hide();
        }
    }
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
