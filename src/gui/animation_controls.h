#pragma once
// Beyond the window's own controls: a play button and a delay field beside "Кадр" on the C10
// page. Playing presses "Кадр" on a timer, each press through the window's own handler, until
// the button has no next frame or the user stops it (the play button again, or a click on the
// picture). Built in code, so the window's designed form stays as it is.
#include <QObject>
#include <functional>

class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;
class QWidget;

namespace vesk {

inline constexpr int kAnimationDelayMs = 200;

struct AnimationWidgets {
    QPushButton* nextFrame;  // "Кадр": the controls go beside it and follow its enabled state
    QTabWidget* pages;       // the picture's tabs: playing brings the picture to the front
    QWidget* picturePage;
    QWidget* picture;        // a click on it stops playing
};

class AnimationControls : public QObject {
    Q_OBJECT
public:
    // step presses "Кадр" once and says whether to go on (false: the last frame, or a failure
    // the window has shown). It is called from the timer, never while a step runs.
    AnimationControls(const AnimationWidgets& widgets, std::function<bool()> step, QObject* parent);

    bool Playing() const { return playing_; }
    QPushButton* PlayButton() const { return play_; }
    QSpinBox* DelayEdit() const { return delay_; }

public Q_SLOTS:
    void Toggle();
    void Stop();
    // One step of the timer; does nothing unless playing.
    void Tick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show();

    AnimationWidgets widgets_;
    std::function<bool()> step_;
    QPushButton* play_ = nullptr;
    QSpinBox* delay_ = nullptr;
    QTimer* timer_ = nullptr;
    bool playing_ = false;
};

}  // namespace vesk
