// The Records view: the store's latest records, newest first, narrowed as
// the person types to those whose series, serial or one of whose capcodes
// holds the text; the selected record's whole JSON; and an export of the
// rows shown as JSON lines, one record a line as the store keeps it.
#pragma once

#include "store/store.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace ccp::view {} // namespace ccp::view

namespace ccp::form {
class UserInterface;
} // namespace ccp::form

namespace ccp::view {

// True when `filter` is empty, or the record's series, serial or one of its
// capcodes contains it (letters in either case).
bool recordMatches(const store::Record& record, const QString& filter);

class RecordsDialog : public QDialog {
public:
    // The latest this many records are looked at.
    static constexpr int kLatest = 1000;

    // `store` and `ui` outlive the dialog; `filter` is typed in already.
    RecordsDialog(QWidget* parent, store::Store& store, form::UserInterface& ui,
                  const QString& filter);

    QLineEdit* filter() const { return filter_; }
    QTableWidget* table() const { return table_; }
    QPlainTextEdit* json() const { return json_; }
    // The records shown, newest first.
    const std::vector<const store::Record*>& shown() const { return shown_; }
    // Reads the latest records again.
    void reload();
    // Writes the shown records to a file the person chooses.
    void exportShown();

private:
    void applyFilter();
    void showSelected();

    store::Store& store_;
    form::UserInterface& ui_;
    std::vector<store::Record> records_;
    std::vector<const store::Record*> shown_;
    QLineEdit* filter_;
    QTableWidget* table_;
    QPlainTextEdit* json_;
    QLabel* note_;
};

} // namespace ccp::view
