// The window at the font in use, for every profile and every platform the
// profile reaches: every text fits its widget, no two widgets of a page
// overlap, the window fits a 1366x768 screen, and rows close up around
// hidden options. Run at QT_SCALE_FACTOR 1.0 and 1.5.
#include "support/form_fixture.h"
#include "view/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace ccp::view {
namespace {

// The text a widget shows and the room it has for it; width -1: no text.
struct TextRoom {
    QString text;
    int width = -1;
};

TextRoom textRoom(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return {label->text(), label->contentsRect().width()};
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return {box->text(),
                box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width()};
    }
    if (auto* list = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        return {list->currentText(), field.width()};
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        const QRect contents =
            edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        return {edit->text(), contents.width() - 4}; // QLineEdit's inner margins
    }
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return {group->title(), group->width()};
    return {};
}

class WindowFit : public ::testing::TestWithParam<int> {
protected:
    void open(int profile) {
        form = &rig.start(profile);
        window = std::make_unique<MainWindow>(*form);
        window->show();
        [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(window.get());
    }
    QTabWidget* pages() const { return window->findChild<QTabWidget*>("PageControl1"); }
    void showPage(int index) {
        pages()->setCurrentIndex(index);
        QCoreApplication::processEvents();
    }
    // The visible widgets of the controls on the current page.
    std::vector<QWidget*> shownWidgets() const {
        std::vector<QWidget*> shown;
        for (form::Control* control : form->controls())
            if (QWidget* w = window->widgetFor(*control);
                w != nullptr && w->isVisible() && pages()->currentWidget()->isAncestorOf(w))
                shown.push_back(w);
        return shown;
    }
    std::string where() const {
        return "profile " + std::to_string(form->CustomerProfile) + " platform " +
               std::to_string(form->HardwarePlatform) + " page " +
               pages()->tabText(pages()->currentIndex()).toStdString();
    }
    void expectTextsFitAndNoOverlaps() {
        for (int page = 0; page < pages()->count(); ++page) {
            showPage(page);
            const std::vector<QWidget*> shown = shownWidgets();
            for (QWidget* w : shown) {
                const TextRoom room = textRoom(w);
                if (room.width >= 0) {
                    EXPECT_LE(w->fontMetrics().horizontalAdvance(room.text), room.width)
                        << w->objectName().toStdString() << " \"" << room.text.toStdString()
                        << "\" clipped, " << where();
                }
            }
            for (std::size_t i = 0; i < shown.size(); ++i)
                for (std::size_t j = i + 1; j < shown.size(); ++j) {
                    QWidget* a = shown[i];
                    QWidget* b = shown[j];
                    if (a->isAncestorOf(b) || b->isAncestorOf(a))
                        continue;
                    const QRect ra(a->mapTo(window.get(), QPoint()), a->size());
                    const QRect rb(b->mapTo(window.get(), QPoint()), b->size());
                    EXPECT_FALSE(ra.intersects(rb))
                        << a->objectName().toStdString() << " overlaps "
                        << b->objectName().toStdString() << ", " << where();
                }
        }
    }

    testing::FormRig rig;
    app::TForm1* form = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_P(WindowFit, EveryTextFitsNoWidgetsOverlapAndTheWindowFitsTheScreen) {
    open(GetParam());
    std::set<int> seen;
    while (seen.insert(form->HardwarePlatform).second) {
        expectTextsFitAndNoOverlaps();
        if (window->devicePixelRatio() == 1.0) {
            // Room for a title bar above the window.
            EXPECT_LE(window->width(), 1366) << where();
            EXPECT_LE(window->height(), 768 - 40) << where();
        }
        if (!form->N5003T6K041.reachable())
            break; // the profile locks the platform
        form->N5003T6K041.userClick();
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, WindowFit, ::testing::Range(0, 7));

// Rows of a column in a page or group: after a step to a platform that hides
// rows, no gap between rows is larger than the rows' spacing.
TEST_F(WindowFit, HiddenRowsCloseUp) {
    open(1);
    form->N5003T6K041.userClick(); // platform 6 -> 0 hides the SM8212 rows
    ASSERT_EQ(form->HardwarePlatform, 0);
    for (int page = 0; page < pages()->count(); ++page) {
        showPage(page);
        for (QGridLayout* grid : pages()->currentWidget()->findChildren<QGridLayout*>()) {
            if (!grid->parentWidget()->isVisible())
                continue;                            // a hidden group
            std::map<int, std::pair<int, int>> rows; // row: top, bottom
            for (int i = 0; i < grid->count(); ++i) {
                QLayoutItem* item = grid->itemAt(i);
                if (item->isEmpty())
                    continue;
                int row, column, rowSpan, columnSpan;
                grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
                const QRect r = item->geometry();
                auto [it, added] = rows.try_emplace(row, r.top(), r.bottom());
                it->second = {std::min(it->second.first, r.top()),
                              std::max(it->second.second, r.bottom())};
            }
            int bottom = -1;
            for (const auto& [row, extent] : rows) {
                if (bottom >= 0) {
                    EXPECT_LE(extent.first - bottom - 1, grid->verticalSpacing())
                        << "hole above row " << row << ", " << where();
                }
                bottom = extent.second;
            }
        }
    }
}

} // namespace
} // namespace ccp::view
