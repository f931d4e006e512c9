#include "editor/AboutBox.h"

#include "controls/effects/EffForm.h"
#include "controls/effects/EffLabels.h"
#include "controls/tabs/StyledLabel.h"
#include "editor/Animation.h"
#include "platform/AppPaths.h"

#include <QFrame>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

TFTPabout::TFTPabout(QWidget* parent, double intervalScale)
    : QDialog(parent), scale_(intervalScale), caption_(MakeAboutCaption(*this))
{
    setObjectName(QStringLiteral("FTPabout"));
    auto* effForm = new TEffForm(this);
    effForm->setObjectName(QStringLiteral("EffForm1"));
    SetupOpeningEffForm(*effForm, "FTPabout");
    effForm->Loaded();
    // The painted caption takes the window's top margin: the box's face lies beneath it.
    auto* face = new QWidget(this);
    face->setFixedSize(330, 200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(face);
    MakeGradientFill(face);

    vantrelLabel_ = MakeEffectLabel(face, QStringLiteral("Vantrel"), 40);
    vantrelLabel_->move(124, 26);
    vantrelLabel_->hide();
    ftpLabel_ = MakeEffectLabel(face, QStringLiteral("FTP"), 44);
    ftpLabel_->move(18, 12);
    // The program's name, its version and what it is for, each centred beneath "Vantrel".
    const struct {
        const char* caption;
        int pixelSize, top;
    } lines[] = {{"Quorvel's FTP Vantrel", 15, 80}, {"Version 1.5", 14, 100}, {"FTP scripts", 13, 120}};
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        TStyledLabel* label = MakeStyledLabel(face, tr(lines[i].caption), lines[i].pixelSize);
        label->setObjectName(QStringLiteral("StyledLabel%1").arg(i + 1));
        label->move(StyledLabelCentre - label->width() / 2, lines[i].top);
        styledLabels_[i] = label;
    }

    panel2_ = new QFrame(face);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    panel2_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel2_->setGeometry(18, 112, 72, 72);
    animate1_ = new TAnimate(panel2_);
    animate1_->setAccessibleName(tr("Lightning"));
    animate1_->setGeometry(4, 4, 64, 64);
    animate1_->SetFrameInterval(std::max(1, Scaled(TAnimate::DefaultFrameInterval)));
    panel2_->hide();

    button1_ = new QPushButton(tr("OK"), face);
    button1_->setDefault(true);
    button1_->setGeometry(236, 156, 76, 26);
    connect(button1_, &QPushButton::clicked, this, &QDialog::accept);

    connect(&timer1_, &QTimer::timeout, this, &TFTPabout::Timer1Timer);
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, [this] {
        if (auto next = std::exchange(afterPause_, nullptr)) next();
    });
    connect(animate1_, &TAnimate::Stopped, this, [this] {
        if (std::exchange(downAfterPlay_, false)) PanelDown();
    });

    animate1_->SetFileName(apppaths::programFolder() + "/lightng2.Avi");
    ftpLabel_->raise();
}

int TFTPabout::Scaled(int ms) const
{
    return int(std::lround(ms * scale_));
}

void TFTPabout::StartTimer1()
{
    timer1_.start(std::max(1, Scaled(interval_)));
}

void TFTPabout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    caption_.SetPart(0, QStringLiteral("Vantrel"));
    caption_.SetPart(1, QStringLiteral(" - About..."));
    caption_.SetPart(2, QString());
    vantrelLabel_->show();
    panel2_->hide();
    StartTimer1();
}

void TFTPabout::hideEvent(QHideEvent* event)
{
    // Nothing of the chain outlives the showing: no panel coming up or going down later.
    downAfterPlay_ = false;
    afterPause_ = nullptr;
    pause_.stop();
    animate1_->Stop();
    timer1_.stop();
    QDialog::hideEvent(event);
}

void TFTPabout::AfterPause(std::function<void()> next)
{
    afterPause_ = std::move(next);
    pause_.start(Scaled(PanelPause));
}

// Timers in place of waiting: panel up, a pause, frames 1 to 9, a pause, panel down, and the
// next round in 20 s.
void TFTPabout::Timer1Timer()
{
    timer1_.stop();
    panel2_->show();
    panel2_->repaint();
    AfterPause([this] {
        animate1_->Play(1, 9, 1);
        AfterPause([this] {
            if (animate1_->Active()) downAfterPlay_ = true;
            else PanelDown();
        });
    });
}

void TFTPabout::PanelDown()
{
    panel2_->hide();
    interval_ = NextInterval;
    StartTimer1();
}
