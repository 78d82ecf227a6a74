#include "UserDialogs.h"

#include "LineSpacedLabel.h"
#include "WindowLook.h"

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

namespace {

const QString Title = QStringLiteral("Quillmere Log Analyzer");

/** Texts from the log or a file are shown as they are, never as markup. */
QMessageBox* makeBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                     QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, Title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

/**
 * The error report: a critical icon, the report's text and the answers Abort, Retry and
 * Ignore, in that order on every desktop (a QMessageBox orders them by the desktop's
 * conventions). There is no Cancel: Escape and the close command choose nothing, since each
 * answer decides what the failing handler does next.
 */
class ErrorReportBox : public QDialog {
public:
    ErrorReportBox(const QString& text, QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint) {
        setWindowTitle(Title);
        setModal(true);
        setFont(windowFont());
        auto* icon = new QLabel(this);
        const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()
                            ->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this)
                            .pixmap(iconSize, iconSize));
        auto* message = new LineSpacedLabel(text, this);
        message->setContentsMargins(0, 0, 0, fontMetrics().height()); // room above the buttons

        auto* buttons = new QHBoxLayout;
        const bool centred = style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, this);
        buttons->addStretch();
        const std::pair<ErrorAnswer, QString> answers[] = {
            {ErrorAnswer::Abort, QStringLiteral("&Abort")},
            {ErrorAnswer::Retry, QStringLiteral("&Retry")},
            {ErrorAnswer::Ignore, QStringLiteral("&Ignore")}};
        for (const auto& [answer, caption] : answers) {
            auto* button = new QPushButton(caption, this);
            connect(button, &QPushButton::clicked, this, [this, answer] {
                m_answer = answer;
                accept();
            });
            buttons->addWidget(button);
            if (answer == ErrorAnswer::Abort) {
                button->setDefault(true);
                button->setFocus();
            }
        }
        if (centred)
            buttons->addStretch();

        auto* layout = new QGridLayout(this);
        layout->addWidget(icon, 0, 0, Qt::AlignTop);
        layout->addWidget(message, 0, 1);
        layout->addLayout(buttons, 1, 0, 1, 2);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

    ErrorAnswer answer() const { return m_answer; }

    /** Escape and the close command: no answer, the box stays. */
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }

private:
    ErrorAnswer m_answer = ErrorAnswer::Abort;
};

} // namespace

void MessageBoxDialogs::warn(QWidget* parent, const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(parent, QMessageBox::Warning, text, QMessageBox::Ok));
    box->exec();
}

bool MessageBoxDialogs::askYesNo(QWidget* parent, const QString& text, bool questionIcon) {
    std::unique_ptr<QMessageBox> box(
        makeBox(parent, questionIcon ? QMessageBox::Question : QMessageBox::NoIcon, text,
                QMessageBox::Yes | QMessageBox::No));
    box->setDefaultButton(QMessageBox::Yes);
    return box->exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxDialogs::chooseLogFile(QWidget* parent, const QString& preset) {
    QFileDialog dialog(parent, QStringLiteral("Select Conlog file"), preset);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(
        {QStringLiteral("Conlog files (*.log)"), QStringLiteral("All files (*.*)")});
    dialog.selectNameFilter(QStringLiteral("Conlog files (*.log)"));
    dialog.setDefaultSuffix(QStringLiteral("log"));
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> MessageBoxDialogs::chooseExportFile(QWidget* parent,
                                                           const QString& suggested) {
    QFileDialog dialog(parent, QStringLiteral("Export list"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void MessageBoxDialogs::inform(QWidget* parent, const QString& text) {
    QMessageBox* box = makeBox(parent, QMessageBox::Information, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

bool MessageBoxDialogs::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ErrorAnswer MessageBoxErrorReport::ask(const RunTimeError& error, const QString& place) {
    // On the heap: the owner may go away while the box is open, and take the box with it.
    QPointer<ErrorReportBox> box =
        new ErrorReportBox(errorReportText(error, place), QApplication::activeWindow());
    box->exec();
    if (!box)
        return ErrorAnswer::Abort;
    const ErrorAnswer answer = box->answer();
    delete box;
    return answer;
}
