#include "MainForm.h"

#include "MonitorDialogs.h"
#include "MonitorTexts.h"
#include "QtaLibrary.h"
#include "SoundPlayer.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kTickMs = 65;
constexpr int kAbsence = 0;  // optAlertType elements, as the tick tests them
constexpr int kPresence = 1;
constexpr int kLongestDelayMs = 99999;
constexpr int kListMargin = 8;  // pixels after the longest colour name in the open list

template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}
}  // namespace

CMainForm::CMainForm(CQtaLibrary& library, CSoundPlayer& player, CMonitorDialogs& dialogs,
                     const CMonitorClock& clock, QWidget* parent)
    : QWidget(parent), Library(library), Player(player), Dialogs(dialogs), Clock(clock),
      TracePanel(!qEnvironmentVariableIsEmpty("QUELTA_ALARM_TRACE")) {
    setObjectName("MainForm");
    setWindowTitle(MonitorTexts::Title);
    setFixedSize(439, 219);
    // The controls' places are fixed pixels sized for a small dialog font; the desktop's usual
    // 10 point text would not fit the option captions into their 169 pixels.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    BuildSoundFrame();
    BuildAlertTypeFrame();
    BuildDelayFrame();
    BuildButtons();
    BuildStatusBar();
    SetTabOrder();
    RefreshColours();

    ctrlTimer = new QTimer(this);
    ctrlTimer->setObjectName("ctrlTimer");
    ctrlTimer->setInterval(kTickMs);
    connect(ctrlTimer, &QTimer::timeout, this, &CMainForm::OnTick);
}

void CMainForm::BuildSoundFrame() {
    // Frame2 (16,8 193x133), down to the buttons' lower edge, children relative to it:
    //   Label1 "So d'alerta"       16,16
    //   txtSoundFile               16,32
    //   [Canviar] 56,68   [Provar] 112,68
    //   [x] So activat             16,104
    Frame2 = Place(new QGroupBox("Alerta sonora", this), "Frame2", 16, 8, 193, 133);
    Label1 = Place(new QLabel("So d'alerta", Frame2), "Label1", 16, 16, 121, 17);
    txtSoundFile = Place(new QLineEdit(MonitorTexts::DefaultSoundFile, Frame2), "txtSoundFile", 16,
                         32, 153, 19);
    btnChangeSoundFile =
        Place(new QPushButton("Canviar", Frame2), "btnChangeSoundFile", 56, 68, 52, 20);
    btnTestSoundFile =
        Place(new QPushButton("Provar", Frame2), "btnTestSoundFile", 112, 68, 52, 20);
    chkSoundOn = Place(new QCheckBox("So activat", Frame2), "chkSoundOn", 16, 104, 121, 17);
    chkSoundOn->setChecked(true);
    // The buttons act on click only; Return in the text box must not press one of them.
    btnChangeSoundFile->setAutoDefault(false);
    btnTestSoundFile->setAutoDefault(false);
    connect(btnChangeSoundFile, &QPushButton::clicked, this, &CMainForm::OnChangeSoundFile);
    connect(btnTestSoundFile, &QPushButton::clicked, this, &CMainForm::OnTestSound);
}

// Frame1 (224,8 193x97), children relative to it:
//   (o) Alertar absència de marca     16,24
//   ( ) Alertar presència de marca    16,46
//   Color vigilat [ colour      v]    16,70 and 88,68
void CMainForm::BuildAlertTypeFrame() {
    Frame1 = Place(new QGroupBox("Tipus d'alerta", this), "Frame1", 224, 8, 193, 97);
    auto* absence = Place(new QRadioButton("Alertar absència de marca", Frame1), "optAlertType0",
                          16, 24, 169, 17);
    auto* presence = Place(new QRadioButton("Alertar presència de marca", Frame1), "optAlertType1",
                           16, 46, 169, 17);
    optAlertType = new QButtonGroup(this);
    optAlertType->setObjectName("optAlertType");
    optAlertType->addButton(absence, kAbsence);
    optAlertType->addButton(presence, kPresence);
    absence->setChecked(true);
    BuildWatchedColour();
}

void CMainForm::BuildWatchedColour() {
    lblWatchedColour =
        Place(new QLabel(MonitorTexts::WatchedColour, Frame1), "lblWatchedColour", 16, 70, 70, 17);
    cmbWatchedColour = Place(new QComboBox(Frame1), "cmbWatchedColour", 88, 68, 97, 20);
    lblWatchedColour->setBuddy(cmbWatchedColour);
}

// Frame3 (16,148 401x46) below the other two, children relative to it:
//   Alertar després de [    0] ms    Acabar després de [    0] ms
//   10,20               122,18 178,20 206,20            318,18 374,20
void CMainForm::BuildDelayFrame() {
    Frame3 = Place(new QGroupBox(MonitorTexts::Delay, this), "Frame3", 16, 148, 401, 46);
    const struct {
        QSpinBox** Box;
        const char* Name;
        const char* Label;
        int Left;
    } rows[] = {{&spnRaiseDelay, "spnRaiseDelay", MonitorTexts::RaiseDelay, 10},
                {&spnClearDelay, "spnClearDelay", MonitorTexts::ClearDelay, 206}};
    for (const auto& row : rows) {
        Place(new QLabel(row.Label, Frame3), "", row.Left, 20, 110, 17);
        *row.Box = Place(new QSpinBox(Frame3), row.Name, row.Left + 112, 18, 52, 20);
        (*row.Box)->setRange(0, kLongestDelayMs);
        (*row.Box)->setAlignment(Qt::AlignRight);
        Place(new QLabel(MonitorTexts::Milliseconds, Frame3), "", row.Left + 168, 20, 18, 17);
    }
}

void CMainForm::BuildButtons() {
    chkToggleAlarm =
        Place(new QPushButton(MonitorTexts::Arm, this), "chkToggleAlarm", 224, 116, 89, 25);
    chkToggleAlarm->setCheckable(true);
    chkToggleAlarm->setAutoDefault(false);
    Command3 = Place(new QPushButton("Sortir", this), "Command3", 328, 116, 89, 25);
    Command3->setAutoDefault(false);
    // clicked arrives after the button has changed its state, which is when the handler wants it.
    connect(chkToggleAlarm, &QPushButton::clicked, this, &CMainForm::OnToggleAlarm);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
}

void CMainForm::BuildStatusBar() {
    stStatusBar = Place(new QStatusBar(this), "stStatusBar", 0, 202, 439, 17);
    stStatusBar->setSizeGripEnabled(false);
    StatusPanel1 = new QLabel(stStatusBar);
    StatusPanel1->setObjectName("stStatusBarPanel1");
    StatusPanel1->setFrameShape(QFrame::Panel);
    StatusPanel1->setFrameShadow(QFrame::Sunken);
    stStatusBar->addWidget(StatusPanel1, 1);
}

void CMainForm::SetTabOrder() {
    // The frames, the label and the status bar hold tab places too, but never take focus.
    QWidget* order[] = {chkToggleAlarm,
                        optAlertType->button(kAbsence),
                        optAlertType->button(kPresence),
                        cmbWatchedColour,
                        txtSoundFile,
                        btnChangeSoundFile,
                        btnTestSoundFile,
                        chkSoundOn,
                        spnRaiseDelay,
                        spnClearDelay,
                        Command3};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    chkToggleAlarm->setFocus();
}

// Fills "Color vigilat" with the library's colours, keeping the chosen one by its name (the
// first colour when it is gone). A library without colours of its own watches its one mark.
void CMainForm::RefreshColours() {
    const QString chosen = cmbWatchedColour->currentText();
    QStringList names = Library.NomsColors();
    if (names.isEmpty())
        names << MonitorTexts::FirstColour;
    cmbWatchedColour->clear();
    cmbWatchedColour->addItems(names);
    cmbWatchedColour->setCurrentIndex(std::max(static_cast<int>(names.indexOf(chosen)), 0));
    // One colour leaves nothing to choose.
    cmbWatchedColour->setEnabled(names.size() > 1);
    // The box cuts a long name short; its list opens wide enough to show every name whole.
    QAbstractItemView* list = cmbWatchedColour->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() + kListMargin);
}

void CMainForm::OnToggleAlarm(bool pressed) {
    chkToggleAlarm->setText(pressed ? MonitorTexts::Disarm : MonitorTexts::Arm);
    Delay.Reset();  // arming starts afresh
    if (pressed) {
        RefreshColours();  // the library may name another set by now
        ctrlTimer->start();
    } else {
        ctrlTimer->stop();
    }
}

void CMainForm::OnTick() {
    // A sound in progress stands for a tick handler still running: the poll waits for its end.
    if (Player.IsPlaying())
        return;
    const auto result = Library.ObtenirPosicio(std::max(cmbWatchedColour->currentIndex(), 0));
    if (!result)
        return;
    const int type = optAlertType->checkedId();
    const bool condition =
        (type == kAbsence && *result == 0) || (type == kPresence && *result == 1);
    const bool alert =
        Delay.Update(condition, Clock.NowMs(), spnRaiseDelay->value(), spnClearDelay->value());
    if (!alert) {
        SetPanelText(QString());
        return;
    }
    SetPanelText(MonitorTexts::Alert);
    if (chkSoundOn->isChecked())
        PlaySound();
}

void CMainForm::OnTestSound() { PlaySound(); }

void CMainForm::PlaySound() {
    if (!Player.IsPlaying())
        Player.Play(txtSoundFile->text());
}

void CMainForm::OnChangeSoundFile() {
    const QString chosen = Dialogs.AskSoundFile(this);
    if (!chosen.isEmpty())
        txtSoundFile->setText(chosen);
}

void CMainForm::Abandon() {
    ctrlTimer->stop();
    Player.Stop();
}

QString CMainForm::PanelText() const { return StatusPanel1->text(); }

void CMainForm::SetPanelText(const QString& text) {
    if (TracePanel && text != StatusPanel1->text()) {
        std::printf("panel: %s\n", text.toUtf8().constData());
        std::fflush(stdout);
    }
    StatusPanel1->setText(text);
}

void CMainForm::closeEvent(QCloseEvent* event) {
    // Qt closes a window once: a closed window gets no second close event, so this runs once
    // whether "Sortir" or the title bar closed it.
    Abandon();
    Library.Finalitza();
    event->accept();
}
