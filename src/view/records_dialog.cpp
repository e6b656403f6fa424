#include "view/records_dialog.h"

#include "form/user_interface.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSplitter>
#include <QTableWidget>

namespace ccp::view {
namespace {

bool holds(const std::string& text, const QString& filter) {
    return QString::fromStdString(text).contains(filter, Qt::CaseInsensitive);
}

QString capcodesOf(const store::Record& r) {
    QStringList list;
    for (const std::string& c : r.capcodes)
        list << QString::fromStdString(c);
    return list.join(' ');
}

// The record's line indented, its fields in the order the line has them.
QString indented(const std::string& line) {
    QString out;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    auto newline = [&out, &depth] { out += '\n' + QString(4 * depth, ' '); };
    for (const QChar c : QString::fromStdString(line)) {
        if (inString) {
            out += c;
            inString = escaped || c != '"';
            escaped = !escaped && c == '\\';
            continue;
        }
        if (c == '}' || c == ']') {
            --depth;
            newline();
        }
        out += c;
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
            newline();
        } else if (c == ',') {
            newline();
        } else if (c == ':') {
            out += ' ';
        }
    }
    // An empty list or object stays on its line.
    static const QRegularExpression empty(R"(([\[{])\n *\n *([\]}]))");
    return out.replace(empty, R"(\1\2)");
}

} // namespace

bool recordMatches(const store::Record& r, const QString& filter) {
    if (filter.isEmpty())
        return true;
    if (holds(r.series, filter) || holds(r.serial, filter))
        return true;
    for (const std::string& capcode : r.capcodes) {
        if (holds(capcode, filter))
            return true;
    }
    return false;
}

RecordsDialog::RecordsDialog(QWidget* parent, store::Store& store, form::UserInterface& ui,
                             const QString& filter)
    : QDialog(parent), store_(store), ui_(ui) {
    setObjectName("RecordsView");
    setWindowTitle("Records");
    filter_ = new QLineEdit(filter, this);
    filter_->setObjectName("RecordsFilter");
    filter_->setPlaceholderText("series, capcode or serial no.");
    auto* filterLabel = new QLabel("&Filter:", this);
    filterLabel->setBuddy(filter_);
    table_ = new QTableWidget(0, 5, this);
    table_->setObjectName("RecordsTable");
    table_->setHorizontalHeaderLabels({"Time", "Series", "Serial", "Result", "Capcodes"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    json_ = new QPlainTextEdit(this);
    json_->setObjectName("RecordJson");
    json_->setReadOnly(true);
    json_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    note_ = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* exportButton = buttons->addButton("&Export...", QDialogButtonBox::ActionRole);
    exportButton->setObjectName("RecordsExport");
    QPushButton* reloadButton = buttons->addButton("Re&load", QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(exportButton, &QPushButton::clicked, this, [this] { exportShown(); });
    connect(reloadButton, &QPushButton::clicked, this, [this] { reload(); });
    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { showSelected(); });

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(filter_, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table_);
    split->addWidget(json_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(note_);
    layout->addWidget(buttons);
    resize(760, 520);
    reload();
}

void RecordsDialog::reload() {
    records_.clear();
    store::RecordQuery latest;
    latest.newestFirst = true;
    latest.limit = kLatest;
    const store::Status read = store_.eachRecord(latest, [this](const store::Record& r) {
        records_.push_back(r);
        return true;
    });
    if (!read.ok())
        ui_.showError("The records cannot be read: " + read.failure.message);
    applyFilter();
}

void RecordsDialog::applyFilter() {
    shown_.clear();
    const QString filter = filter_->text().trimmed();
    for (const store::Record& r : records_) {
        if (recordMatches(r, filter))
            shown_.push_back(&r);
    }
    table_->setRowCount(static_cast<int>(shown_.size()));
    for (int row = 0; row < static_cast<int>(shown_.size()); ++row) {
        const store::Record& r = *shown_[static_cast<std::size_t>(row)];
        const QString cells[] = {QString::fromStdString(r.time), QString::fromStdString(r.series),
                                 QString::fromStdString(r.serial), QString::fromStdString(r.result),
                                 capcodesOf(r)};
        for (int column = 0; column < 5; ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table_->resizeColumnsToContents();
    note_->setText(QString("%1 of the latest %2 records in %3")
                       .arg(shown_.size())
                       .arg(records_.size())
                       .arg(QString::fromStdString(store_.where())));
    json_->clear();
    if (!shown_.empty())
        table_->selectRow(0);
}

void RecordsDialog::showSelected() {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(shown_.size())) {
        json_->clear();
        return;
    }
    json_->setPlainText(indented(shown_[static_cast<std::size_t>(row)]->line));
}

void RecordsDialog::exportShown() {
    const std::optional<std::string> path = ui_.saveFile("*.jsonl|*.jsonl", "jsonl");
    if (!path)
        return;
    QSaveFile file(QString::fromLocal8Bit(path->c_str()));
    bool written = file.open(QIODevice::WriteOnly);
    for (const store::Record* r : shown_) {
        if (!written)
            break;
        const std::string line = r->line + '\n';
        written = file.write(line.data(), static_cast<qint64>(line.size())) ==
                  static_cast<qint64>(line.size());
    }
    // Nothing is left half written: the file is replaced whole or not at all.
    if (!written || !file.commit()) {
        file.cancelWriting();
        ui_.showError("The records were not exported to " + *path + ": " +
                      file.errorString().toStdString());
    }
}

} // namespace ccp::view
