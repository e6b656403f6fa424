// The Series menu after the window's own menus: open a series of the store,
// make one from the window, close it, start on placement, the records. While
// a series is open the title bar and a status line name it with its counts
// and next capcodes, and a large result line shows the last pager's outcome
// (its capcodes, or why it failed) until the next one, with the bell.
// Start on placement probes the jig every half second while the window is
// idle; a pager that appears is written from the series, and the station
// arms again only once that pager has been taken off.
#pragma once

#include "form/user_interface.h"
#include "line/window_series.h"
#include "ops/placement_probe.h"
#include "store/store.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;

namespace ccp::view {

class MainWindow;

// The store the window keeps its records in and takes its series from,
// opened when first needed; from then on the window's records go to it too.
class WindowStore {
public:
    // `where`: --db (empty: the default SQLite file); `pending`: the file of
    // the records the store has not taken yet.
    WindowStore(app::TForm1& form, std::string where, std::string pending);
    // The store, opened now if it was not; nullptr and the reason when it
    // cannot be.
    store::Store* get(std::string& failure);

private:
    app::TForm1& form_;
    std::string where_;
    std::string pending_;
    std::unique_ptr<store::Store> store_;
};

class SeriesMenu : public QObject {
public:
    // The look at the jig (see ops::PlacementProbe), what switches off what
    // the looks left on, and why the jig failed when it says so.
    struct Probe {
        std::function<ops::Placement()> look;
        std::function<void()> stop;
        std::function<std::string()> fault;
    };
    static constexpr int kProbeIntervalMs = 500;
    // The result line's font: this many times the window's, and its margin.
    static constexpr double kResultScale = 1.8;
    static constexpr int kResultMargin = 4;

    // `titleNote` is the title bar's note without a series.
    SeriesMenu(MainWindow& window, form::UserInterface& ui, WindowStore& store, QString titleNote);
    ~SeriesMenu() override;

    void setProbe(Probe probe) { probe_ = std::move(probe); }
    line::WindowSeries& series() { return series_; }
    QMenu* menu() const { return menu_; }
    QLabel* resultLine() const { return result_; }
    QLabel* statusLine() const { return status_; }

    // The menu's commands, as its items run them.
    void openSeries();
    void newSeries();
    void closeSeries();
    void showRecords();
    // One look at the jig, as the placement timer takes it.
    void probeOnce();

private:
    // Off; switched on, no look yet (or the jig failed); an empty jig seen:
    // the next pager placed is written; a pager written or found on the
    // jig, which must be taken off before the next write.
    enum class Station { Off, Looking, Armed, TakeOff };

    void changed();
    void showResult();
    void showStatus();
    void keepOnScreen();
    void setStation(Station station);
    void placementToggled(bool on);
    bool idle() const;

    MainWindow& window_;
    app::TForm1& form_;
    form::UserInterface& ui_;
    WindowStore& store_;
    QString titleNote_;
    line::WindowSeries series_;
    QMenu* menu_ = nullptr;
    QAction* open_ = nullptr;
    QAction* new_ = nullptr;
    QAction* close_ = nullptr;
    QAction* placement_ = nullptr;
    QAction* records_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* result_ = nullptr;
    QTimer timer_;
    Probe probe_;
    Station station_ = Station::Off;
    bool probeFailed_ = false;
    // The pagers attempted when the station last looked.
    int attempts_ = 0;
};

} // namespace ccp::view
