#include "gui/animation_controls.h"

#include <QEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

namespace vesk {
namespace {

// U+25B6 and U+25A0: play and stop, as media players mark them.
const char kPlayCaption[] = "\u25B6";
const char kStopCaption[] = "\u25A0";

}  // namespace

AnimationControls::AnimationControls(const AnimationWidgets& widgets, std::function<bool()> step, QObject* parent)
    : QObject(parent), widgets_(widgets), step_(std::move(step)) {
    setObjectName(QStringLiteral("AnimationControls"));
    QWidget* page = widgets_.nextFrame->parentWidget();
    const QRect frame = widgets_.nextFrame->geometry();

    play_ = new QPushButton(page);
    play_->setObjectName(QStringLiteral("PlayButton"));
    play_->setGeometry(frame.right() + 5, frame.y(), frame.width(), frame.height());
    connect(play_, &QPushButton::clicked, this, &AnimationControls::Toggle);

    delay_ = new QSpinBox(page);
    delay_->setObjectName(QStringLiteral("FrameDelayEdit"));
    delay_->setRange(10, 10000);
    delay_->setSingleStep(50);
    delay_->setValue(kAnimationDelayMs);
    delay_->setSuffix(QString::fromUtf8(" мс"));
    delay_->setToolTip(QString::fromUtf8("Сколько показывать каждый кадр"));
    delay_->setGeometry(play_->geometry().right() + 5, frame.y() + 2, 80, frame.height() - 4);

    timer_ = new QTimer(this);
    // One shot, started again after each step: a step that shows a message box never has the
    // next one start under it.
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &AnimationControls::Tick);

    widgets_.nextFrame->installEventFilter(this);
    widgets_.picture->installEventFilter(this);
    Show();
}

void AnimationControls::Toggle() {
    if (playing_) {
        Stop();
        return;
    }
    if (!widgets_.nextFrame->isEnabled()) return;
    playing_ = true;
    widgets_.pages->setCurrentWidget(widgets_.picturePage);
    timer_->start(delay_->value());
    Show();
}

void AnimationControls::Stop() {
    timer_->stop();
    playing_ = false;
    Show();
}

void AnimationControls::Tick() {
    if (!playing_) return;
    if (!widgets_.nextFrame->isEnabled() || !step_() || !widgets_.nextFrame->isEnabled()) {
        Stop();
        return;
    }
    if (playing_) timer_->start(delay_->value());
}

bool AnimationControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widgets_.nextFrame && event->type() == QEvent::EnabledChange) {
        if (playing_ && !widgets_.nextFrame->isEnabled()) Stop();
        Show();
    }
    if (watched == widgets_.picture && event->type() == QEvent::MouseButtonPress && playing_) Stop();
    return QObject::eventFilter(watched, event);
}

void AnimationControls::Show() {
    play_->setText(QString::fromUtf8(playing_ ? kStopCaption : kPlayCaption));
    play_->setToolTip(QString::fromUtf8(playing_ ? "Остановить" : "Показать кадры по очереди"));
    play_->setEnabled(playing_ || widgets_.nextFrame->isEnabled());
}

}  // namespace vesk
