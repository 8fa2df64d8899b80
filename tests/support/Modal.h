#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace velmora::test {

// Answers modal windows as a user would, once each is shown: `step` gets the
// active modal window and says whether it acted. Each step runs from a timer
// of its own, because a step that opens another modal window blocks in it,
// and a blocked timer would never fire again until it returned.
class ModalRobot : public QObject
{
public:
    using Step = std::function<bool(QWidget* modal)>;

    explicit ModalRobot(Step step, QObject* parent = nullptr)
        : QObject(parent)
        , m_step(std::move(step))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_queued)
                return;
            m_queued = true;
            QTimer::singleShot(0, this, [this] {
                m_queued = false;
                QWidget* modal = QApplication::activeModalWidget();
                if (m_timer.isActive() && modal && modal->isVisible())
                    m_step(modal);
            });
        });
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }

private:
    Step m_step;
    QTimer m_timer;
    bool m_queued = false;
};

// Acts once on the modal window of type T that the next step opens, when it
// is the active window. None within twenty seconds: a warning, and the modal
// window that is up instead is closed, so the test goes on and notices.
template <class T = QWidget> void whenModal(std::function<void(T*)> act)
{
    struct State
    {
        ModalRobot* robot = nullptr;
        bool acted = false;
    };
    auto state = std::make_shared<State>();
    state->robot = new ModalRobot([state, act](QWidget* modal) {
        auto* window = qobject_cast<T*>(modal);
        if (state->acted || !window || QApplication::activeWindow() != window)
            return false;
        state->acted = true;
        state->robot->stop();
        state->robot->deleteLater();
        act(window);
        return true;
    });
    QTimer::singleShot(20000, state->robot, [state] {
        if (state->acted)
            return;
        qWarning("no modal %s was shown", T::staticMetaObject.className());
        state->acted = true;
        state->robot->stop();
        state->robot->deleteLater();
        if (QWidget* other = QApplication::activeModalWidget())
            other->close();
    });
}

} // namespace velmora::test
