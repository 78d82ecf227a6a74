#include "frmNames.h"

#include "LineSpacedLabel.h"
#include "Twips.h"
#include "WindowLook.h"

#include "naming/NamesFile.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

// Design geometry in twips: left, top, width, height.
constexpr double ClientWidth = 5544;
constexpr double ClientHeight = 3720;
const QRectF LabInfoRect(168, 168, 3960, 684);
const QRectF CmdOKRect(4284, 84, 1104, 348);
const QRectF CmdCancelRect(4284, 504, 1104, 348);
const QRectF TxtNamesRect(168, 1092, 5220, 2448);
// In the gap between the label and the box.
const QRectF LabReadErrorRect(168, 864, 5220, 216);

/** Stand-ins in the box for a CR or LF that does not belong to a CR LF line end. */
constexpr QChar LoneCR(0x240D);
constexpr QChar LoneLF(0x240A);

QString sampleInfo() {
    return u"Enter computer names mappings\ne.g.\n192.168.0.10 OFFICEPC"_s;
}

QPushButton* makeButton(const QString& name, const QString& caption, const QRectF& twips,
                        QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Neither button takes Enter: in the box it makes a new line.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(Twips::toPixels(twips));
    return button;
}

} // namespace

frmNames::frmNames(QString path, std::function<void()> reload, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      m_sPath(std::move(path)), m_reload(std::move(reload)) {
    setObjectName(u"frmNames"_s);
    setWindowTitle(u"Names"_s);
    setFont(windowFont());
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Twips::toPixelsX(ClientWidth), Twips::toPixelsY(ClientHeight));
    centreOnScreen(this, owner); // rather than on the owner

    m_labInfo = new LineSpacedLabel({}, this);
    m_labInfo->setObjectName(u"labInfo"_s);
    m_labInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labInfo->setGeometry(Twips::toPixels(LabInfoRect));

    m_cmdOK = makeButton(u"cmdOK"_s, u"OK"_s, CmdOKRect, this);
    m_cmdCancel = makeButton(u"cmdCancel"_s, u"Cancel"_s, CmdCancelRect, this);

    m_txtNames = new QPlainTextEdit(this);
    m_txtNames->setObjectName(u"txtNames"_s);
    m_txtNames->setGeometry(Twips::toPixels(TxtNamesRect));
    m_txtNames->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtNames->setTabChangesFocus(true);

    m_labReadError = new QLabel(this);
    m_labReadError->setObjectName(u"labReadError"_s);
    m_labReadError->setTextFormat(Qt::PlainText);
    m_labReadError->setGeometry(Twips::toPixels(LabReadErrorRect));
    m_labReadError->hide();

    setTabOrder(m_cmdOK, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_txtNames);

    connect(m_cmdOK, &QPushButton::clicked, this, &frmNames::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmNames::cmdCancel_Click);

    Form_Load();
}

frmNames::~frmNames() = default;

void frmNames::Form_Load() {
    m_labInfo->setText(sampleInfo());
    QString text;
    m_bCanSave = readNamesText(m_sPath, &text);
    if (m_bCanSave) {
        setNamesText(text);
        return;
    }
    // Saving now would replace the user's names with an empty box.
    m_labReadError->setText(u"The names file cannot be read; it will not be overwritten."_s);
    m_labReadError->show();
    m_txtNames->setReadOnly(true);
    m_cmdOK->setEnabled(false);
}

QString frmNames::namesText() const {
    // Block by block: toPlainText would turn no-break spaces into blanks.
    QStringList lines;
    for (QTextBlock block = m_txtNames->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    QString text = lines.join(u"\r\n"_s);
    text.replace(LoneCR, u'\r');
    text.replace(LoneLF, u'\n');
    return text;
}

void frmNames::setNamesText(const QString& text) {
    // The box breaks lines at CR LF only; a lone CR or LF would make a line of its own there.
    QStringList lines = text.split(u"\r\n"_s);
    for (QString& line : lines) {
        line.replace(u'\r', LoneCR);
        line.replace(u'\n', LoneLF);
    }
    m_txtNames->setPlainText(lines.join(u'\n'));
}

void frmNames::cmdOK_Click() {
    if (!m_bCanSave)
        return;
    // A failed write keeps the previous file and, as the dialog does for every error, says nothing.
    saveNamesText(m_sPath, namesText());
    const std::function<void()> reload = m_reload;
    accept();
    if (reload)
        reload();
}

void frmNames::cmdCancel_Click() {
    reject();
}
