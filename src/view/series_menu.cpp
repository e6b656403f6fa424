#include "view/series_menu.h"

#include "line/series_pager.h"
#include "ops/stored_records.h"
#include "view/main_window.h"
#include "view/records_dialog.h"
#include "view/text.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>

namespace ccp::view {
namespace {

// The store's series, one row each; the name of the one chosen.
std::optional<std::string> chooseSeries(QWidget* parent,
                                        const std::vector<store::SeriesStatus>& all) {
    QDialog dialog(parent);
    dialog.setObjectName("OpenSeries");
    dialog.setWindowTitle("Open series");
    auto* table = new QTableWidget(static_cast<int>(all.size()), 6, &dialog);
    table->setObjectName("SeriesList");
    table->setHorizontalHeaderLabels(
        {"Name", "Platform", "Profile", "Next capcodes", "Written", "Failed"});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    for (int row = 0; row < static_cast<int>(all.size()); ++row) {
        const store::SeriesStatus& s = all[static_cast<std::size_t>(row)];
        const QString cells[] = {
            QString::fromStdString(s.definition.name),
            QString::number(s.definition.platform),
            QString::number(s.definition.profile),
            s.exhausted ? QString("none left")
                        : QString::fromStdString(line::capcodeList(s.next, s.definition.entries)),
            QString::number(s.written),
            QString::number(s.failed)};
        for (int column = 0; column < 6; ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    if (!all.empty())
        table->selectRow(0);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(640, 320);
    table->setFocus();
    if (dialog.exec() != QDialog::Accepted || table->currentRow() < 0 || all.empty())
        return std::nullopt;
    return all[static_cast<std::size_t>(table->currentRow())].definition.name;
}

} // namespace

WindowStore::WindowStore(app::TForm1& form, std::string where, std::string pending)
    : form_(form), where_(std::move(where)), pending_(std::move(pending)) {
}

store::Store* WindowStore::get(std::string& failure) {
    if (store_)
        return store_.get();
    auto opened = ops::openProductionStore(where_, pending_);
    if (!opened.ok()) {
        failure = opened.failure.message;
        return nullptr;
    }
    store_ = std::move(*opened.value);
    // One store for the series and the records: the record of a series'
    // pager goes where its reservation is.
    form_.records.openWhenFirstNeeded({});
    form_.records.setStore(store_.get(), {});
    return store_.get();
}

SeriesMenu::SeriesMenu(MainWindow& window, form::UserInterface& ui, WindowStore& store,
                       QString titleNote)
    : QObject(&window), window_(window), form_(window.form()), ui_(ui), store_(store),
      titleNote_(std::move(titleNote)), series_(window.form()) {
    menu_ = window.menuBar()->addMenu("&Series");
    menu_->setObjectName("Series");
    open_ = menu_->addAction("&Open series...", this, [this] { openSeries(); });
    new_ = menu_->addAction("&New series from window...", this, [this] { newSeries(); });
    close_ = menu_->addAction("&Close series", this, [this] { closeSeries(); });
    menu_->addSeparator();
    placement_ = menu_->addAction("&Start on placement");
    placement_->setCheckable(true);
    connect(placement_, &QAction::toggled, this, [this](bool on) { placementToggled(on); });
    menu_->addSeparator();
    records_ = menu_->addAction("&Records...", this, [this] { showRecords(); });
    open_->setObjectName("OpenSeries");
    new_->setObjectName("NewSeries");
    close_->setObjectName("CloseSeries");
    placement_->setObjectName("StartOnPlacement");
    records_->setObjectName("Records");

    // Large and coloured, to be read from a step away; one line that takes
    // the window's width and never widens it.
    result_ = new QLabel(&window);
    result_->setObjectName("ResultLine");
    QFont large = result_->font();
    large.setPointSizeF(large.pointSizeF() * kResultScale);
    large.setBold(true);
    result_->setFont(large);
    result_->setAlignment(Qt::AlignCenter);
    result_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    result_->setMargin(kResultMargin);
    result_->setFixedHeight(QFontMetrics(large).height() + 2 * kResultMargin);
    result_->hide();
    if (auto* layout = qobject_cast<QBoxLayout*>(window.centralWidget()->layout()))
        layout->addWidget(result_);

    timer_.setInterval(kProbeIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { probeOnce(); });
    series_.changed = [this] { changed(); };
    changed();
}

SeriesMenu::~SeriesMenu() {
    series_.changed = nullptr;
    // The jig is left as an operation leaves it.
    if (timer_.isActive() && probe_.stop)
        probe_.stop();
}

void SeriesMenu::changed() {
    const bool open = series_.isOpen();
    // A pager written by hand stays on the jig too.
    if (series_.attempts() != attempts_ && station_ == Station::Armed)
        station_ = Station::TakeOff;
    attempts_ = series_.attempts();
    close_->setEnabled(open);
    placement_->setEnabled(open);
    if (!open && placement_->isChecked())
        placement_->setChecked(false);
    showStatus();
    showResult();
}

// The station's state follows the series' counts, where a person looks.
void SeriesMenu::showStatus() {
    const bool open = series_.isOpen();
    QString text = QString::fromStdString(series_.statusText());
    static const char* const notes[] = {"", "looking at the jig", "place a pager",
                                        "take the pager off"};
    if (open && station_ != Station::Off)
        text += QString(" - ") + notes[static_cast<int>(station_)];
    window_.setTitleNote(open ? titleNote_ + " - " + text : titleNote_);
    if (open && status_ == nullptr) {
        // Made with the first series: without one the window is as it was.
        status_ = new QLabel(&window_);
        status_->setObjectName("SeriesStatus");
        window_.statusBar()->addPermanentWidget(status_, 1);
        window_.statusBar()->setSizeGripEnabled(false);
    }
    if (status_ != nullptr) {
        status_->setText(text);
        window_.statusBar()->setVisible(open);
        keepOnScreen();
    }
}

void SeriesMenu::showResult() {
    const std::optional<line::PagerResult>& last = series_.lastResult();
    if (!last) {
        result_->setVisible(false);
        keepOnScreen();
        return;
    }
    const QString text =
        (last->verified ? "Verified: " : "Failed: ") + QString::fromStdString(last->text);
    // The largest size at which the whole line fits, down to the window's
    // own; a longer reason is cut, and shown whole in the log and the tip.
    const int width = window_.centralWidget()->width() - 4 * kResultMargin;
    QFont font = result_->font();
    const qreal base = window_.font().pointSizeF();
    for (qreal size = base * kResultScale; size > base; size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            break;
    }
    result_->setFont(font);
    result_->setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
    result_->setToolTip(text);
    result_->setStyleSheet(last->verified ? "QLabel { background: #1b7f2a; color: white; }"
                                          : "QLabel { background: #b3261e; color: white; }");
    result_->setVisible(true);
    keepOnScreen();
}

// The status and result lines make the window taller: it moves up as far as
// it must to stay whole on the screen.
void SeriesMenu::keepOnScreen() {
    QTimer::singleShot(0, this, [this] {
        QScreen* screen = window_.screen();
        if (screen == nullptr)
            return;
        const QRect area = screen->availableGeometry();
        const QRect frame = window_.frameGeometry();
        if (frame.bottom() > area.bottom())
            window_.move(window_.x(),
                         std::max(area.top(), window_.y() - (frame.bottom() - area.bottom())));
    });
}

void SeriesMenu::openSeries() {
    std::string failure;
    store::Store* store = store_.get(failure);
    if (store == nullptr) {
        form_.Memo1.append("Series not opened: " + failure);
        ui_.showError("Series not opened: " + failure);
        return;
    }
    const auto all = store->listSeries();
    if (!all.ok()) {
        form_.Memo1.append("Series not opened: " + all.failure.message);
        ui_.showError("Series not opened: " + all.failure.message);
        return;
    }
    if (all.value->empty()) {
        ui_.showMessage("The store " + store->where() +
                        " has no series yet: make one with New series from window.");
        return;
    }
    if (const std::optional<std::string> name = chooseSeries(&window_, *all.value)) {
        window_.fileNames().remember(*name, QString::fromStdString(*name));
        series_.open(*store, *name);
    }
}

void SeriesMenu::newSeries() {
    bool ok = false;
    const QString given =
        QInputDialog::getText(&window_, "New series from window",
                              "Name of the new series:", QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    const std::string name = given.toStdString();
    std::string reason;
    std::optional<store::SeriesDefinition> definition;
    // Every record of the series carries its name, and queries name it.
    if (name.empty())
        reason = "the series name is empty";
    else if (const std::optional<std::string> fault = ops::utf8TextFault(name))
        reason = "the series name " + *fault;
    else
        definition = line::seriesOfWindowNow(form_, name, reason);
    store::Store* store = definition ? store_.get(reason) : nullptr;
    if (store != nullptr) {
        const auto existing = store->series(name);
        if (!existing.ok())
            reason = existing.failure.message;
        else if (*existing.value)
            reason = "series '" + name + "' already exists";
        else if (const store::Status created = store->createSeries(*definition); !created.ok())
            reason = created.failure.message;
    }
    if (store == nullptr || !reason.empty()) {
        form_.Memo1.append("Series not made: " + reason);
        ui_.showError("Series not made: " + reason);
        return;
    }
    window_.fileNames().remember(name, given);
    series_.open(*store, name);
}

void SeriesMenu::closeSeries() {
    series_.close();
}

void SeriesMenu::showRecords() {
    std::string failure;
    store::Store* store = store_.get(failure);
    if (store == nullptr) {
        ui_.showError("The records cannot be shown: " + failure);
        return;
    }
    const QString filter =
        series_.isOpen() ? QString::fromStdString(series_.status()->definition.name) : QString();
    RecordsDialog dialog(&window_, *store, ui_, filter);
    dialog.exec();
}

void SeriesMenu::placementToggled(bool on) {
    // A pager already on the jig is not one placed for the station: it is
    // written once it has been taken off and placed again.
    probeFailed_ = false;
    const bool wasOn = station_ != Station::Off;
    station_ = on && series_.isOpen() ? Station::Looking : Station::Off;
    if (station_ != Station::Off) {
        form_.Memo1.append("Start on placement: on");
        timer_.start();
    } else if (wasOn) {
        timer_.stop();
        if (probe_.stop)
            probe_.stop();
        form_.Memo1.append("Start on placement: off");
    }
    showStatus();
}

void SeriesMenu::setStation(Station station) {
    if (station_ == station)
        return;
    station_ = station;
    showStatus();
}

// Never inside an operation, an event of the person's or a box: the probe
// takes the jig's bus, which then belongs to what runs.
bool SeriesMenu::idle() const {
    return !window_.gate().busy() && !form_.inEvent() &&
           QApplication::activeModalWidget() == nullptr &&
           QApplication::activePopupWidget() == nullptr;
}

void SeriesMenu::probeOnce() {
    if (!series_.isOpen() || !placement_->isChecked() || !probe_.look || !idle())
        return;
    // A look takes the jig as an operation does, inside an event of the form
    // with USB notices held: a USB look can wait for a reply, or 5 s for a
    // write the kernel holds, and the loop turns meanwhile without the
    // person's input, as during a transfer; no other look starts in it.
    ops::Placement placement = ops::Placement::Busy;
    form_.dispatch([&] {
        const auto hold = form_.HidCtl.holdNotices();
        placement = probe_.look();
    });
    if (placement == ops::Placement::Busy)
        return;
    if (placement == ops::Placement::JigFailed) {
        // Said once until the jig answers again.
        if (!probeFailed_) {
            std::string line = "The jig cannot be probed";
            if (const std::string fault = probe_.fault ? probe_.fault() : std::string();
                !fault.empty())
                line.append(": ").append(fault);
            form_.Memo1.append(line);
        }
        probeFailed_ = true;
        // Whatever is on the jig once it answers again waits to be taken off.
        setStation(Station::Looking);
        return;
    }
    probeFailed_ = false;
    if (placement == ops::Placement::Absent) {
        setStation(Station::Armed);
        return;
    }
    if (station_ != Station::Armed) {
        setStation(Station::TakeOff);
        return;
    }
    // One placement, one write: whatever its outcome, the next write waits
    // for this pager to go.
    setStation(Station::TakeOff);
    if (placement == ops::Placement::OtherPlatform) {
        std::string text = "Pager not written: the pager on the jig is of another platform "
                           "than the series' template (platform ";
        text.append(std::to_string(series_.status()->definition.platform)).append("); take it off");
        form_.Memo1.append(text);
        ui_.showError(text);
        return;
    }
    if (auto* write = qobject_cast<QAction*>(window_.objectFor(form_.WriteToPager)))
        write->trigger();
}

} // namespace ccp::view
