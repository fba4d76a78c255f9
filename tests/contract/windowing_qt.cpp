// The windowing contract on the Qt layer, on Qt's offscreen platform: real
// widgets, and a user whose clicks and keystrokes are QTest's, sent from
// inside the program's event wait.
#include "contract/windowing_contract.h"

#include "platform/qt/qt_windowing.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_control_texts.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>

#include <deque>

namespace tonegen::contract {
namespace {

class QtRig final : public WindowingRig {
public:
    WindowingPort& port() override { return w_; }
    ControlTextsPort& texts() override { return texts_; }
    ClipboardPort& clipboard() override { return clipboard_; }
    BoxPort& boxes() override { return w_; }

    // One posted call at a time, so that it runs where Qt dispatches
    // events (inside the waits), and the next one only in a later pass of
    // Qt's loop, behind what this one posted.
    void later(std::function<void()> action) override
    {
        actions_.push_back(std::move(action));
        if (!ticking_)
            tick();
    }

    void click(int id) override
    {
        later([this, id] { QTest::mouseClick(w_.control_widget(id), Qt::LeftButton); });
    }

    void step_by_key(int id, bool up) override
    {
        later([this, id, up] {
            QWidget* field = w_.control_widget(id);
            field->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(field, up ? Qt::Key_Up : Qt::Key_Down);
        });
    }

    void step_by_arrow(int id, bool up) override
    {
        later([this, id, up] {
            auto* field = static_cast<QSpinBox*>(w_.control_widget(id));
            QStyleOptionSpinBox option;
            option.initFrom(field);
            option.subControls = QStyle::SC_All;
            option.buttonSymbols = field->buttonSymbols();
            option.frame = field->hasFrame();
            option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
            const QRect arrow = field->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                                               up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown, field);
            QTest::mouseClick(field, Qt::LeftButton, {}, arrow.center());
        });
    }

    void type(int id, std::string_view text) override
    {
        later([this, id] {
            QWidget* field = w_.control_widget(id);
            field->setFocus(Qt::MouseFocusReason);
            field->findChild<QLineEdit*>()->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
        });
        for (const QChar key : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))
            later([this, id, key] { QTest::keyClicks(w_.control_widget(id), QString(key)); });
    }

    void tab(bool backwards) override
    {
        later([backwards] {
            QWidget* focus = QApplication::focusWidget();
            if (focus == nullptr)
                focus = QApplication::activeWindow();
            if (backwards)
                QTest::keyClick(focus, Qt::Key_Backtab, Qt::ShiftModifier);
            else
                QTest::keyClick(focus, Qt::Key_Tab);
        });
    }

    void move_bar(int id, BarMove move, int position) override
    {
        later([this, id, move, position] {
            auto* bar = static_cast<QScrollBar*>(w_.control_widget(id));
            switch (move) {
            case BarMove::line_left:
                bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
                break;
            case BarMove::line_right:
                bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                break;
            case BarMove::page_left:
                bar->triggerAction(QAbstractSlider::SliderPageStepSub);
                break;
            case BarMove::page_right:
                bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
                break;
            case BarMove::drag:
                // What the thumb does under the mouse.
                bar->setSliderDown(true);
                bar->setSliderPosition(position);
                bar->setSliderDown(false);
                break;
            }
        });
    }

    void press_close_box(WindowHandle window) override
    {
        later([this, window] { static_cast<void>(w_.window_widget(window)->close()); });
    }

    void press_ctrl_shift(char letter) override
    {
        later([letter] {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : QApplication::activeWindow(), static_cast<Qt::Key>(Qt::Key_A + (letter - 'A')),
                            Qt::ControlModifier | Qt::ShiftModifier);
        });
    }

    void press_key(int key, int modifiers) override
    {
        later([key, modifiers] {
            const Qt::Key qt_key = key == key_up        ? Qt::Key_Up
                                   : key == key_down    ? Qt::Key_Down
                                   : key == key_page_up ? Qt::Key_PageUp
                                                        : Qt::Key_PageDown;
            Qt::KeyboardModifiers held;
            held.setFlag(Qt::ControlModifier, (modifiers & with_ctrl) != 0);
            held.setFlag(Qt::ShiftModifier, (modifiers & with_shift) != 0);
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : QApplication::activeWindow(), qt_key, held);
        });
    }

    void answer_message_box() override { later([this] { answer(50); }); }

    std::string last_message_box() override { return last_box_; }

    void await_front(WindowHandle window) override
    {
        static_cast<void>(QTest::qWaitForWindowActive(w_.window_widget(window)));
    }

    bool has_focus(int id) override
    {
        const QWidget* control = w_.control_widget(id);
        return control != nullptr && control->hasFocus();
    }

    WindowPlace place(WindowHandle window) override
    {
        const QWidget* w = w_.window_widget(window);
        const QRect outer = w->frameGeometry();
        return {outer.x(), outer.y(), w->width(), w->height(), outer.width(), outer.height()};
    }

    Size screen() override
    {
        const QRect area = QGuiApplication::primaryScreen()->geometry();
        return {area.width(), area.height()};
    }

    Size picture_size(ImageHandle picture) override
    {
        const QPixmap* pixmap = w_.picture(picture);
        return pixmap ? Size{pixmap->width(), pixmap->height()} : Size{0, 0};
    }

    std::string tooltip(int id) override { return w_.control_widget(id)->toolTip().toStdString(); }

    // Through the interface Qt's accessibility bridge reads.
    std::string said(int id, Said which) override
    {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(w_.control_widget(id));
        if (control == nullptr)
            return "(no accessible interface)";
        const QAccessible::Text text = which == Said::name          ? QAccessible::Name
                                       : which == Said::description ? QAccessible::Description
                                                                    : QAccessible::Value;
        return control->text(text).toStdString();
    }

private:
    void tick()
    {
        ticking_ = true;
        QMetaObject::invokeMethod(&context_, [this] {
            ticking_ = false;
            if (actions_.empty())
                return;
            const std::function<void()> action = std::move(actions_.front());
            actions_.pop_front();
            action();
            if (!actions_.empty() && !ticking_)
                tick();
        }, Qt::QueuedConnection);
    }

    // Runs inside the box's own loop; the box may not be up at once.
    void answer(int tries)
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (tries > 0)
                QTimer::singleShot(10, &context_, [this, tries] { answer(tries - 1); });
            return;
        }
        last_box_ = (box->windowTitle() + "|" + box->text()).toStdString();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }

    qt::QtWindowing w_;
    qt::QtControlTexts texts_{w_};
    qt::QtClipboard clipboard_;
    QObject context_;
    std::deque<std::function<void()>> actions_;
    bool ticking_ = false;
    std::string last_box_;
};

std::unique_ptr<WindowingRig> make_qt_rig()
{
    return std::make_unique<QtRig>();
}

TONEGEN_WINDOWING_CONTRACTS(Qt, &make_qt_rig);

} // namespace
} // namespace tonegen::contract
