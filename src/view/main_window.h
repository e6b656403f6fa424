// The Qt main window built from the form: one widget (or menu action) per
// control, named after it, arranged by the page layout; the progress dialog;
// and the observer that carries model changes to widgets. Read, Write and
// Compare with the pager have keys of their own: Ctrl+R, Ctrl+W and Ctrl+M.
#pragma once

#include "app/tform1.h"
#include "form/control.h"
#include "view/adapters.h"
#include "view/input_gate.h"
#include "view/text.h"

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <unordered_map>

class QAction;
class QMenu;

namespace ccp::view {

// Pixels between the cells of a row, between rows and between columns.
constexpr int kCellSpacing = 6;
constexpr int kRowSpacing = 4;
constexpr int kColumnSpacing = 12;

class MainWindow : public QMainWindow, private form::ControlObserver {
public:
    explicit MainWindow(app::TForm1& form);
    ~MainWindow() override;

    app::TForm1& form() const { return form_; }
    // The widget or action of a control, or nullptr.
    QObject* objectFor(const form::Control& control) const;
    QWidget* widgetFor(const form::Control& control) const;
    QDialog* progressDialog() const { return progress_; }
    // Text after the profile's caption in the title bar.
    void setTitleNote(const QString& note);
    // Runs after each Read, Write and Compare with the pager.
    void setAfterPagerOperation(std::function<void()> after) { afterOperation_ = std::move(after); }
    InputGate& gate() { return gate_; }
    FileNames& fileNames() { return fileNames_; }

private:
    void controlChanged(form::Control& control) override;
    QWidget* ensureWidget(form::Control& control);
    void arrange();
    void buildMenu();
    void clicked(app::MenuItem& item);
    QAction* buildAction(app::MenuItem& item, QMenu* menu);
    void syncMenuItem(app::MenuItem& item);
    void syncWindow(form::Control& window);
    void syncProgressSize();
    // Inside the screen's available area: centred, top-left first when larger.
    void placeOnScreen();
    // Every page's layout recomputed, the hidden ones too, so that the window
    // keeps one size whichever page shows.
    void relayoutPages();
    void scheduleRelayout();

    app::TForm1& form_;
    QString titleNote_;
    std::function<void()> afterOperation_;
    InputGate gate_;
    FileNames fileNames_;
    AdapterContext context_;
    bool relayoutPosted_ = false;
    QWidget* client_ = nullptr;
    QDialog* progress_ = nullptr;
    std::unordered_map<const form::Control*, Adapter*> adapters_;
    std::unordered_map<const form::Control*, QAction*> actions_;
    std::unordered_map<const form::Control*, QMenu*> menus_;
};

} // namespace ccp::view
