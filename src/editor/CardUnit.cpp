#include "CardUnit.h"

#include "Csound.h"
#include "Cwaveread.h"
#include "DialogStartFolder.h"
#include "FileFilter.h"
#include "Messages.h"
#include "Named.h"
#include "PanelStatusBar.h"
#include "QtMessageReceiver.h"
#include "TextTable.h"
#include "UiServices.h"
#include "WindowTexts.h"
#include "vantrel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kTable = QStringLiteral("TfrmCard");

QToolButton* IconButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon) {
    auto* button = Named(new QToolButton(parent), name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setAutoRaise(true);
    return button;
}

// A caption label in front of an information line; its text comes from "<line>.Label".
QLabel* CaptionOf(QWidget* parent, QLabel* line) {
    auto* caption = new QLabel(parent);
    caption->setObjectName(line->objectName() + QStringLiteral("Label"));
    caption->setBuddy(line);
    return caption;
}

} // namespace

TfrmCard::TfrmCard(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmCard"));
    receiver = new QtMessageReceiver(this, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(4);

    auto* fileRow = new QHBoxLayout;
    lblDataFile = Named(new QLabel(this), "lblDataFile");
    edtDataFile = Named(new QLineEdit(this), "edtDataFile");
    edtDataFile->setReadOnly(true);
    lblDataFile->setBuddy(edtDataFile);
    btnRegist = Named(new QPushButton(this), "btnRegist");
    btnChange = Named(new QPushButton(this), "btnChange");
    btnChange->hide();
    sbtnExportWav = IconButton(this, "sbtnExportWav", QStyle::SP_DialogSaveButton);
    fileRow->addWidget(lblDataFile);
    fileRow->addWidget(edtDataFile, 1);
    fileRow->addWidget(btnRegist);
    fileRow->addWidget(btnChange);
    fileRow->addWidget(sbtnExportWav);
    layout->addLayout(fileRow);

    auto* commentRow = new QHBoxLayout;
    lblComment = Named(new QLabel(this), "lblComment");
    edtComment = Named(new QLineEdit(this), "edtComment");
    lblComment->setBuddy(edtComment);
    commentRow->addWidget(lblComment);
    commentRow->addWidget(edtComment, 1);
    layout->addLayout(commentRow);

    GroupBox1 = Named(new QGroupBox(this), "GroupBox1");
    auto* info = new QGridLayout(GroupBox1);
    info->setContentsMargins(6, 2, 6, 2);
    info->setVerticalSpacing(1);
    QLabel** const lines[] = {&lblFs, &lblBit, &lblTime, &lblCh, &lblFileCreate, &lblFileUpdate};
    const char* const names[] = {"lblFs", "lblBit", "lblTime", "lblCh", "lblFileCreate", "lblFileUpdate"};
    for (int i = 0; i < 6; ++i) {
        *lines[i] = Named(new QLabel(GroupBox1), names[i]);
        // Three lines a column: rate, bits, length; channels, created, modified.
        info->addWidget(CaptionOf(GroupBox1, *lines[i]), i % 3, (i / 3) * 2);
        info->addWidget(*lines[i], i % 3, (i / 3) * 2 + 1);
    }
    info->setColumnStretch(1, 1);
    info->setColumnStretch(3, 2);
    lblFs->setProperty("Tag", 0);
    layout->addWidget(GroupBox1);

    auto* playRow = new QHBoxLayout;
    btnListen = Named(new QPushButton(this), "btnListen");
    btnListen->setProperty("Tag", 0);
    btnStop = Named(new QPushButton(this), "btnStop");
    playRow->addWidget(btnListen);
    playRow->addWidget(btnStop);
    playRow->addStretch();
    pnlButtons = Named(new QWidget(this), "pnlButtons");
    auto* nav = new QHBoxLayout(pnlButtons);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->setSpacing(0);
    sbtnFirst = IconButton(pnlButtons, "sbtnFirst", QStyle::SP_MediaSkipBackward);
    sbtnPrevious = IconButton(pnlButtons, "sbtnPrevious", QStyle::SP_MediaSeekBackward);
    sbtnNext = IconButton(pnlButtons, "sbtnNext", QStyle::SP_MediaSeekForward);
    sbtnLast = IconButton(pnlButtons, "sbtnLast", QStyle::SP_MediaSkipForward);
    for (QToolButton* b : {sbtnFirst, sbtnPrevious, sbtnNext, sbtnLast})
        nav->addWidget(b);
    playRow->addWidget(pnlButtons);
    sbtnFixWin = IconButton(this, "sbtnFixWin", QStyle::SP_TitleBarUnshadeButton);
    sbtnUnFixWin = IconButton(this, "sbtnUnFixWin", QStyle::SP_TitleBarShadeButton);
    sbtnFixWin->hide();
    playRow->addWidget(sbtnFixWin);
    playRow->addWidget(sbtnUnFixWin);
    layout->addLayout(playRow);

    lblPrjFileName = Named(new QLabel(this), "lblPrjFileName");
    lblPrjFileName->hide();
    stbNowStatus = Named(new PanelStatusBar(1, this), "stbNowStatus");
    stbNowStatus->setSizeGripEnabled(false);
    layout->addWidget(stbNowStatus);
    // The progress bar lies over the status bar while a playback runs.
    pgsCheck = Named(new QProgressBar(this), "pgsCheck");
    pgsCheck->setRange(0, 100);
    pgsCheck->setTextVisible(false);
    pgsCheck->hide();

    resize(369, 237);

    connect(sbtnFirst, &QToolButton::clicked, this, &TfrmCard::sbtnFirstClick);
    connect(sbtnPrevious, &QToolButton::clicked, this, &TfrmCard::sbtnPreviousClick);
    connect(sbtnNext, &QToolButton::clicked, this, &TfrmCard::sbtnNextClick);
    connect(sbtnLast, &QToolButton::clicked, this, &TfrmCard::sbtnLastClick);
    connect(btnRegist, &QPushButton::clicked, this, &TfrmCard::RegistToProject);
    connect(btnChange, &QPushButton::clicked, this, &TfrmCard::RegistToProject);
    connect(btnListen, &QPushButton::clicked, this, &TfrmCard::btnListenClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmCard::btnStopClick);
    connect(sbtnFixWin, &QToolButton::clicked, this, &TfrmCard::sbtnFixWinClick);
    connect(sbtnUnFixWin, &QToolButton::clicked, this, &TfrmCard::sbtnUnFixWinClick);
    connect(sbtnExportWav, &QToolButton::clicked, this, &TfrmCard::sbtnExportWavClick);
    // Key preview: the card sees every key before the control that has the focus.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    btnListen->setEnabled(false);
    btnStop->setEnabled(false);
    UpdateNavButtons(0);
    KeepRelabelled(this, [this] { Relabel(); });
}

TfrmCard::~TfrmCard() {
    // No report of a player reaches a card being taken apart.
    delete receiver;
    receiver = nullptr;
}

WindowHandle TfrmCard::handle() const {
    return receiver ? receiver->handle() : 0;
}

void TfrmCard::Relabel() {
    RelabelChildren(this, kTable);
    if (currentNumber > 0)
        setWindowTitle(TableText(QStringLiteral("TfrmMain"), QStringLiteral("IDS_405")) +
                       QString::number(currentNumber) + QLatin1Char('/') + QString::number(lastNumber));
}

void TfrmCard::Post(intptr_t wParam, intptr_t lParam) const {
    if (ownerWindow != 0)
        PostMessage(ownerWindow, WM_CARD_EVENT, wParam, lParam);
}

// ---- numbers and buttons -------------------------------------------------------------------

void TfrmCard::SetRowCount(int number, int count) {
    currentNumber = number;
    lastNumber = count;
    UpdateNavButtons(number);
}

void TfrmCard::UpdateNavButtons(int number) {
    // While the card plays, only Stop is offered whatever the owner shows.
    if (Playing()) {
        for (QWidget* w : std::initializer_list<QWidget*>{sbtnFirst, sbtnPrevious, sbtnNext, sbtnLast,
                                                          btnListen, sbtnExportWav, sbtnFixWin, sbtnUnFixWin})
            w->setEnabled(false);
        btnStop->setEnabled(true);
        return;
    }
    sbtnFirst->setEnabled(number > 1);
    sbtnPrevious->setEnabled(number > 1);
    sbtnNext->setEnabled(number >= 1 && number < lastNumber);
    sbtnLast->setEnabled(number >= 1 && number < lastNumber);
    const bool file = !edtDataFile->text().isEmpty();
    btnListen->setEnabled(file);
    btnStop->setEnabled(false);
    sbtnExportWav->setEnabled(file);
    sbtnFixWin->setEnabled(true);
    sbtnUnFixWin->setEnabled(true);
}

bool TfrmCard::CheckWaveFile(const QString& path, int* channels, int* bits, int* rate,
                             uint32_t* frames) const {
    return CheckWaveFileForDevice(output.deviceFormats, path, channels, bits, rate, frames);
}

void TfrmCard::SetOwnerBusy(bool busy) {
    edtComment->setEnabled(!busy);
    pnlButtons->setEnabled(!busy);
    for (QPushButton* b : {btnRegist, btnChange})
        if (!b->isHidden())
            b->setEnabled(!busy && (b == btnRegist || changeAllowed));
    if (busy) {
        for (QWidget* w : std::initializer_list<QWidget*>{btnListen, btnStop, sbtnExportWav})
            w->setEnabled(false);
    } else {
        UpdateNavButtons(currentNumber);
    }
}

bool TfrmCard::Playing() const {
    return btnListen->property("Tag").toInt() == 1;
}

void TfrmCard::Navigate(int next) {
    // The number shown and the one to show next, 16 bits each.
    Post(1, (currentNumber & 0xFFFF) | ((next & 0xFFFF) << 16));
    currentNumber = next;
    UpdateNavButtons(next);
}

void TfrmCard::sbtnFirstClick() {
    Navigate(1);
}

void TfrmCard::sbtnPreviousClick() {
    Navigate(currentNumber - 1);
}

void TfrmCard::sbtnNextClick() {
    Navigate(currentNumber + 1);
}

void TfrmCard::sbtnLastClick() {
    Navigate(lastNumber);
}

void TfrmCard::sbtnExportWavClick() {
    Post(2, currentNumber);
}

// ---- the stimulus's file ---------------------------------------------------------------------

void TfrmCard::RegistToProject() {
    // The stimulus's own file names the folder; a stimulus without one starts where the
    // last file was chosen.
    const QString shown = edtDataFile->text();
    const QString start = DialogStartFolder(shown.isEmpty() ? registerFolder : QFileInfo(shown).path());
    const QString file = UiServices::Get().OpenFileName(
        this, windowTitle(), start, DialogFilter(TableText(kTable, QStringLiteral("IDS_0"))));
    if (!file.isEmpty()) {
        registerFolder = QFileInfo(file).absolutePath();
        if (CheckWaveFile(file, nullptr, nullptr, nullptr, nullptr)) {
            edtDataFile->setText(QFileInfo(file).absoluteFilePath());
            Navigate(currentNumber);
        } else {
            UiServices::Get().Message(this, kTable, QStringLiteral("IDS_2"), UiServices::Kind::Warning);
        }
    }
    UpdateNavButtons(currentNumber);
    raise();
    activateWindow();
}

void TfrmCard::OnDropFiles(const QStringList& paths) {
    raise();
    activateWindow();
    if (paths.size() != 1)
        return;
    // The main window opens the file when it registers it; the device rule is not asked.
    if (QFileInfo(paths.first()).suffix().toLower() == QLatin1String("wav"))
        edtDataFile->setText(paths.first());
    Navigate(currentNumber);
}

void TfrmCard::showEvent(QShowEvent* e) {
    setAcceptDrops(true);
    QWidget::showEvent(e);
    PlaceProgress();
}

void TfrmCard::hideEvent(QHideEvent* e) {
    setAcceptDrops(false);
    QWidget::hideEvent(e);
}

void TfrmCard::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TfrmCard::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    e->acceptProposedAction();
    OnDropFiles(paths);
}

// ---- keys ---------------------------------------------------------------------------------

bool TfrmCard::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && watched == edtComment) {
        Navigate(currentNumber);
        return true;
    }
    if (enter && watched == edtDataFile) {
        const QString path = edtDataFile->text();
        if (path.isEmpty() || QFileInfo(path).isFile())
            Navigate(currentNumber);
        else
            UiServices::Get().Message(this, kTable, QStringLiteral("IDS_1"), UiServices::Kind::Warning);
        UpdateNavButtons(currentNumber);
        return true;
    }
    // The navigation keys act when their button does; the key still reaches the control.
    QToolButton* button = nullptr;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
        button = sbtnPrevious;
        break;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
        button = sbtnNext;
        break;
    case Qt::Key_Home:
        button = sbtnFirst;
        break;
    case Qt::Key_End:
        button = sbtnLast;
        break;
    default:
        break;
    }
    if (button && button->isEnabled())
        button->click();
    return false;
}

// ---- playback -------------------------------------------------------------------------------

void TfrmCard::btnListenClick() {
    if (output.useMME ? sound == nullptr : waveRead == nullptr)
        return;
    const QString file = lblPrjFileName->text();
    playback.output = output;
    playback.sound = sound;
    playback.waveRead = waveRead;
    const bool playable = output.useMME ? CanPlayWaveFile(output.soundDeviceId, file)
                                        : CheckWaveFile(file, nullptr, nullptr, nullptr, nullptr);
    if (!playable) {
        UiServices::Get().Message(this, kTable, QStringLiteral("IDS_2"), UiServices::Kind::Warning);
        return;
    }
    // A playback of another window on the shared player refuses this one.
    if (!playback.Play(file, handle())) {
        UiServices::Get().Message(this, kTable, QStringLiteral("IDS_3"), UiServices::Kind::Warning);
        return;
    }
    Started();
}

void TfrmCard::Started() {
    Post(0, 1);
    btnListen->setProperty("Tag", 1);
    btnListen->setEnabled(false);
    btnStop->setEnabled(true);
    SetProgress(0);
    PlaceProgress();
    pgsCheck->show();
    pgsCheck->raise();
    for (QWidget* w : std::initializer_list<QWidget*>{sbtnExportWav, sbtnFirst, sbtnPrevious, sbtnNext,
                                                      sbtnLast, sbtnFixWin, sbtnUnFixWin})
        w->setEnabled(false);
    for (QPushButton* b : {btnChange, btnRegist})
        if (!b->isHidden())
            b->setEnabled(false);
}

void TfrmCard::EndPlayback() {
    btnListen->setProperty("Tag", 0);
    btnListen->setEnabled(true);
    btnStop->setEnabled(false);
    if (!btnChange->isHidden())
        btnChange->setEnabled(changeAllowed);
    if (!btnRegist->isHidden())
        btnRegist->setEnabled(true);
    sbtnExportWav->setEnabled(!edtDataFile->text().isEmpty());
    pgsCheck->hide();
    UpdateNavButtons(currentNumber);
}

void TfrmCard::SetProgress(double percent) {
    pgsCheck->setValue(percent >= 0 && percent <= 100 ? static_cast<int>(percent) : 0);
}

void TfrmCard::PlaceProgress() {
    QRect r = stbNowStatus->geometry();
    r.setTop(r.top() + 2);
    pgsCheck->setGeometry(r);
}

void TfrmCard::btnStopClick() {
    if (playback.Stop()) {
        Post(0, 0);
    } else {
        UiServices::Get().Message(this, kTable, QStringLiteral("IDS_4"), UiServices::Kind::Warning);
        Post(0, -1);
    }
    EndPlayback();
}

void TfrmCard::closeEvent(QCloseEvent* e) {
    // Only a playback the card started is stopped: the main window's stays untouched.
    if (Playing()) {
        const bool stopped = playback.Stop();
        if (!stopped)
            UiServices::Get().Message(this, kTable, QStringLiteral("IDS_4"), UiServices::Kind::Warning);
        Post(0, stopped ? 0 : -1);
        EndPlayback();
    }
    e->accept();
}

void TfrmCard::OnSoundMessage(intptr_t wParam, intptr_t lParam) {
    if (!Playing())
        return;
    switch (wParam) {
    case SoundProgress:
        SetProgress(static_cast<double>(lParam));
        break;
    case SoundFinished:
        Post(0, 0);
        EndPlayback();
        break;
    case SoundStopped:
        SetProgress(0);
        break;
    case SoundRefused:
        // Stop ends the playing state.
        Post(0, -1);
        SetProgress(0);
        break;
    default:
        break;
    }
}

void TfrmCard::OnAsioStatus(intptr_t wParam, intptr_t lParam) {
    if (!Playing())
        return;
    switch (VANTREL_MESSAGE_KIND(wParam)) {
    case 0:
        Post(0, -1);
        SetProgress(0);
        break;
    case VANTREL_OUTPUT_POSITION: {
        if (VANTREL_MESSAGE_CHANNEL(wParam) != 0)
            break;
        // An empty file has no length to be part of.
        const double frames = waveRead ? static_cast<double>(waveRead->GetMaxFrames()) : 0.0;
        const double rate = lblFs->property("Tag").toDouble();
        SetProgress(frames > 0 ? static_cast<double>(lParam) / 1000.0 * rate / frames * 100.0 : 0.0);
        break;
    }
    case VANTREL_OUTPUT_STOPPED:
        if (playback.OnOutputEvent(wParam, lParam)) {
            Post(0, 0);
            EndPlayback();
        }
        break;
    default:
        break;
    }
}

void TfrmCard::OnAsioBufferDone(intptr_t wParam, intptr_t lParam) {
    if (Playing() && !playback.OnBufferDone(wParam, lParam)) {
        // The library refused the samples: the playback is over.
        Post(0, -1);
        EndPlayback();
    }
}

bool TfrmCard::event(QEvent* e) {
    if (e->type() == PostedMessageEvent::eventType()) {
        const auto* m = static_cast<PostedMessageEvent*>(e);
        switch (m->msg()) {
        case WM_SOUND_STATUS:
            OnSoundMessage(m->wParam(), m->lParam());
            return true;
        case WM_ASIO_OUTPUT_EVENT:
            OnAsioStatus(m->wParam(), m->lParam());
            return true;
        case WM_ASIO_REMAIN:
            OnAsioBufferDone(m->wParam(), m->lParam());
            return true;
        default:
            return true;
        }
    }
    if (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest) {
        const bool handled = QWidget::event(e);
        PlaceProgress();
        return handled;
    }
    return QWidget::event(e);
}

// ---- the pin ---------------------------------------------------------------------------------

void TfrmCard::sbtnUnFixWinClick() {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown)
        show();
    sbtnFixWin->show();
    sbtnUnFixWin->hide();
}

void TfrmCard::sbtnFixWinClick() {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    if (shown)
        show();
    sbtnUnFixWin->show();
    sbtnFixWin->hide();
}
