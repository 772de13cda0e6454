#include "app/ProgressDlg.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/MessageBoxes.h"
#include "app/Resources.h"
#include "conversion/ConversionJob.h"

namespace kyn::app {

namespace {
QString Files(qint64 n) { return n == 1 ? QStringLiteral("file") : QStringLiteral("files"); }
// Notes beyond this many are summed up in one line, so that the box fits on the screen.
constexpr int kNotesShown = 12;
}  // namespace

void JobNotes::Clear() {
    std::lock_guard lock(mutex_);
    written_.clear();
    warnings_.clear();
    problems_.clear();
    withWarnings_ = 0;
}

void JobNotes::AddWarning(const QString& line) {
    std::lock_guard lock(mutex_);
    // The job takes its inputs from the last to the first: the notes are listed in the inputs' order.
    warnings_.prepend(line);
    ++withWarnings_;
}

void JobNotes::AddResult(const FileResult& r) {
    const auto name = [](const std::string& path) { return QFileInfo(QFile::decodeName(path.c_str())).fileName(); };
    std::lock_guard lock(mutex_);
    if (r.outcome == FileResult::Outcome::Converted || r.outcome == FileResult::Outcome::ConvertedWithWarnings) {
        if (!r.output.empty()) written_.prepend(name(r.output));
        return;
    }
    QString reason = QString::fromStdString(r.reason).trimmed();
    if (reason.isEmpty()) reason = QStringLiteral("no reason given");
    if (!reason.endsWith(QLatin1Char('.'))) reason += QLatin1Char('.');
    problems_.prepend(QStringLiteral("%1 %2: %3").arg(name(r.input), QString::fromLatin1(OutcomeName(r.outcome)), reason));
}

int JobNotes::WithWarnings() const {
    std::lock_guard lock(mutex_);
    return withWarnings_;
}

QStringList JobNotes::Lines() const {
    std::lock_guard lock(mutex_);
    QStringList lines;
    if (!written_.isEmpty()) {
        QStringList names = written_.mid(0, kNotesShown);
        QString line = QStringLiteral("Written: ") + names.join(QStringLiteral(", "));
        if (written_.size() > kNotesShown) line += QStringLiteral(" and %1 more").arg(written_.size() - kNotesShown);
        lines << line + QLatin1Char('.');
    }
    return lines + warnings_ + problems_;
}

CProgressDlg::CProgressDlg(SharedStatus& status, StopSignal& stop, QWidget* parent, const JobNotes* notes)
    : QDialog(parent), jobStatus_(status), stopSignal_(stop), notes_(notes) {
    setWindowTitle(QStringLiteral("Progress"));
    setObjectName(QStringLiteral("ProgressDlg"));

    status_ = new QLabel(this);
    status_->setWordWrap(false);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setTextFormat(Qt::PlainText);
    status_->setFixedSize(DluX(this, 225), DluY(this, 35));
    SetControlId(status_, IDC_PROGRESS_STATUS);

    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFixedSize(DluX(this, 225), DluY(this, 14));
    SetControlId(bar_, IDC_PROGRESS_BAR);

    percent_ = new QLabel(QStringLiteral("0 %"), this);
    percent_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetControlId(percent_, IDC_PROGRESS_PERCENT);

    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    // Enter closes the dialog as OK; it never presses Stop.
    stop_->setAutoDefault(false);
    stop_->setFixedSize(DluX(this, 50), DluY(this, 14));
    SetControlId(stop_, IDC_PROGRESS_STOP);
    connect(stop_, &QPushButton::clicked, this, [this] { stopSignal_.Set(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(DluX(this, 5), DluY(this, 5), DluX(this, 7), DluY(this, 2));
    layout->setSpacing(0);
    layout->addWidget(status_);
    layout->addSpacing(DluY(this, 10));
    layout->addWidget(bar_);
    layout->addSpacing(DluY(this, 1));
    auto* row = new QGridLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(percent_, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(stop_, 0, 1, Qt::AlignCenter);
    row->setColumnStretch(0, 1);
    row->setColumnStretch(2, 1);
    row->setColumnMinimumWidth(0, DluX(this, 85));
    row->setRowMinimumHeight(0, DluY(this, 19));
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SetStatus(QStringLiteral("Ready"));
}

QString CProgressDlg::StartedText(qint64 files) {
    if (files <= 0) return {};
    return QStringLiteral("Done.\r\n\r\nProcessing %1 %2....\r\n").arg(files).arg(Files(files));
}

QString CProgressDlg::DoneText(qint64 processed, qint64 skipped, int withWarnings, const QStringList& notes) {
    QString processedText = QStringLiteral("%1 %2").arg(processed).arg(Files(processed));
    if (withWarnings > 0) processedText += QStringLiteral(" (%1 with warnings)").arg(withWarnings);
    QString text = skipped > 0 ? QStringLiteral("Done.\r\n\r\nProcessed %1, skipped %2 %3.\r\n")
                                     .arg(processedText)
                                     .arg(skipped)
                                     .arg(Files(skipped))
                               : QStringLiteral("Done.\r\n\r\nProcessed %1.\r\n").arg(processedText);
    if (!notes.isEmpty()) text += QStringLiteral("\r\n");
    for (int i = 0; i < notes.size() && i < kNotesShown; ++i) text += notes[i] + QStringLiteral("\r\n");
    if (notes.size() > kNotesShown) text += QStringLiteral("... and %1 more.\r\n").arg(notes.size() - kNotesShown);
    return text;
}

QString CProgressDlg::AbortedText(qint64 processed, const QStringList& notes) {
    QString text = QStringLiteral("Data conversion stopped by user.\r\n\r\nProcessed %1 %2").arg(processed).arg(Files(processed));
    if (!notes.isEmpty()) text += QStringLiteral("\r\n\r\n");
    for (int i = 0; i < notes.size() && i < kNotesShown; ++i) text += notes[i] + QStringLiteral("\r\n");
    if (notes.size() > kNotesShown) text += QStringLiteral("... and %1 more.\r\n").arg(notes.size() - kNotesShown);
    return text;
}

QString CProgressDlg::ElideLines(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideMiddle, width);
    return lines.join(QLatin1Char('\n'));
}

void CProgressDlg::SetStatus(const QString& text) {
    statusText_ = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // Long folder and file names lose their middle, so that both ends stay readable; the whole
    // text is in the tool tip.
    status_->setText(ElideLines(shown, status_->fontMetrics(), status_->width()));
    status_->setToolTip(shown);
}

int CProgressDlg::BarValue() const { return bar_->value(); }
QString CProgressDlg::PercentShown() const { return percent_->text(); }
bool CProgressDlg::StopEnabled() const { return stop_->isEnabled(); }

void CProgressDlg::OnJobMessage(JobMessage message, qint64 wParam, qint64 lParam) {
    switch (message) {
        case WM_JOB_STARTED:
            busy_ = 1;
            setWindowTitle(QStringLiteral("Converting..."));
            lastPercent_ = 0;
            bar_->setValue(0);
            SetStatus(StartedText(lParam));
            stop_->setEnabled(true);
            break;
        case WM_JOB_ENABLE_STOP:
            stop_->setEnabled(lParam != 0);
            break;
        case WM_JOB_PROGRESS: {
            const JobStatus status = jobStatus_.Get();
            SetStatus(QString::fromStdString(jobtext::StatusSentence(status)));
            emit StatusChanged(status);
            const int p = static_cast<int>(lParam);
            if (p != lastPercent_) {
                bar_->setValue(p);
                percent_->setText(QStringLiteral("%1%").arg(p));
                setWindowTitle(QStringLiteral("Converting... (%1%)").arg(p));
            }
            break;
        }
        case WM_JOB_ABORTED: {
            busy_ = 0;
            setWindowTitle(QStringLiteral("Aborted (%1% completed)").arg(lParam));
            const QString text = notes_ ? AbortedText(wParam, notes_->Lines()) : AbortedText(wParam);
            SetStatus(text);
            // A question about quitting this job has no subject any more.
            Boxes().DismissJobQuestions();
            stop_->setEnabled(false);
            Boxes().Show(this, QMessageBox::Information, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                         QMessageBox::Ok);
            CloseAs(false);
            break;
        }
        case WM_JOB_DONE: {
            busy_ = 0;
            setWindowTitle(QStringLiteral("Ready"));
            const QString text = notes_ ? DoneText(wParam, lParam, notes_->WithWarnings(), notes_->Lines())
                                        : DoneText(wParam, lParam);
            SetStatus(text);
            Boxes().DismissJobQuestions();
            stop_->setEnabled(false);
            Boxes().Show(this, QMessageBox::Information, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok,
                         QMessageBox::Ok);
            CloseAs(true);
            break;
        }
    }
}

void CProgressDlg::accept() { CloseAs(true); }
void CProgressDlg::reject() { CloseAs(false); }

void CProgressDlg::CloseAs(bool ok) {
    if (!isVisible()) return;
    if (busy_ == 1) {
        BoxRequest question;
        question.parent = this;
        question.icon = QMessageBox::Warning;
        question.caption = QString::fromLatin1(kAppTitle);
        question.text =
            QStringLiteral("Warning!  %1 is currently busy.\n\nAre you sure you want to quit?").arg(QLatin1String(kAppTitle));
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        // Enter on the question keeps the job running.
        question.defaultButton = QMessageBox::No;
        question.jobQuestion = true;
        if (Boxes().Ask(question).button != QMessageBox::Yes) return;
        stopSignal_.Set();
        // The job may have ended (and closed this dialog) while the question was up.
        if (!isVisible()) return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QThread::msleep(100);
    QDialog::done(ok ? QDialog::Accepted : QDialog::Rejected);
    QApplication::restoreOverrideCursor();
}

void CProgressDlg::CloseWithoutAsking() {
    if (busy_ == 1) stopSignal_.Set();
    busy_ = 0;
    QDialog::done(QDialog::Rejected);
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    // Stop is not an auto-default button, so Enter reaches the dialog even while Stop has the
    // focus (Space still presses Stop).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kyn::app
