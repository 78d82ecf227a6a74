#include "frmPreferences.h"

#include "EdgeCaptionFrame.h"
#include "Twips.h"
#include "WindowLook.h"

#include "common/ErrorReport.h"
#include "common/NumberText.h"
#include "persistence/Settings.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr double DesignClientWidth = 5304;
constexpr double DesignClientHeight = 5088;
const char* const TagProperty = "Tag";

enum class Kind { Frame, Label, TextBox, CheckBox, Option, Button };
enum class Container { Dialog, Frame1, FraWeb };

struct ControlDesign {
    QStringView name;
    Kind kind;
    QStringView caption;
    Container container;
    QRectF rect; ///< left, top, width, height in twips, within the container
    int tabIndex;
    QStringView tag;
};

// Containers come before what they hold; chkWeb after fraWeb, so that it lies on its edge.
const ControlDesign Controls[] = {
    {u"Frame1", Kind::Frame, u"General", Container::Dialog, {168, 84, 4968, 1692}, 2, {}},
    {u"Label1", Kind::Label, u"Time zone:", Container::Frame1, {336, 252, 1356, 264}, 9, {}},
    {u"txtTimeZone", Kind::TextBox, {}, Container::Frame1, {1848, 252, 852, 288}, 6, {}},
    {u"Label2", Kind::Label, u"Refresh rate:", Container::Frame1, {336, 672, 1356, 264}, 8, {}},
    {u"txtRefresh", Kind::TextBox, {}, Container::Frame1, {1848, 672, 852, 288}, 4, {}},
    {u"Label3", Kind::Label, u"sec", Container::Frame1, {2772, 672, 432, 264}, 7, {}},
    {u"chkAlways",
     Kind::CheckBox,
     u"On startup load previous file",
     Container::Frame1,
     {336, 1092, 3288, 264},
     5,
     {}},
    {u"chkResolve",
     Kind::CheckBox,
     u"Resolve client addresses",
     Container::Frame1,
     {336, 1344, 3288, 264},
     3,
     {}},
    {u"fraWeb", Kind::Frame, {}, Container::Dialog, {168, 1932, 4968, 2532}, 10, {}},
    {u"chkWeb", Kind::CheckBox, u"Web stats", Container::Dialog, {336, 1932, 1188, 264}, 11, {}},
    {u"Label4", Kind::Label, u"Refresh rate:", Container::FraWeb, {336, 336, 1440, 264}, 17, u"E"},
    {u"txtWebRefresh", Kind::TextBox, {}, Container::FraWeb, {1848, 336, 852, 288}, 16, u"BE"},
    {u"Label7", Kind::Label, u"sec", Container::FraWeb, {2772, 336, 432, 264}, 22, {}},
    {u"optFolder",
     Kind::Option,
     u"Folder location",
     Container::FraWeb,
     {336, 756, 1440, 264},
     13,
     u"E"},
    {u"txtFolder", Kind::TextBox, {}, Container::FraWeb, {1848, 756, 2952, 288}, 12, u"BEU"},
    {u"optFtp", Kind::Option, u"FTP Server", Container::FraWeb, {336, 1176, 1440, 264}, 15, u"E"},
    {u"txtFtpServer", Kind::TextBox, {}, Container::FraWeb, {1848, 1176, 2952, 288}, 21, u"BEF"},
    {u"Label5", Kind::Label, u"User name:", Container::FraWeb, {672, 1596, 1104, 264}, 18, u"E"},
    {u"txtUser", Kind::TextBox, {}, Container::FraWeb, {1848, 1596, 1188, 288}, 14, u"BEF"},
    {u"Label6", Kind::Label, u"Password:", Container::FraWeb, {672, 2016, 1104, 264}, 19, u"E"},
    {u"txtPass", Kind::TextBox, {}, Container::FraWeb, {1848, 2016, 1188, 288}, 20, u"BEF"},
    {u"cmdOk", Kind::Button, u"OK", Container::Dialog, {2856, 4620, 1104, 348}, 0, {}},
    {u"cmdCancel", Kind::Button, u"Cancel", Container::Dialog, {4032, 4620, 1104, 348}, 1, {}},
};

/** The style of the password box: every character shows as "*". */
class PasswordStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

/** The check box's value: 0 clear, 1 ticked, 2 grey. */
qint32 checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void setCheckValue(QCheckBox* box, qint32 value) {
    if (value < 0 || value > 2)
        throw invalidPropertyValue();
    box->setCheckState(value == 1   ? Qt::Checked
                       : value == 2 ? Qt::PartiallyChecked
                                    : Qt::Unchecked);
}

/** The text as a whole 32-bit number, or nothing when it does not convert. */
std::optional<qint32> wholeNumber(const QString& text) {
    try {
        return NumberText::toLong(text);
    } catch (const RunTimeError&) {
        return std::nullopt;
    }
}

/** The background of a text box, in every state (a disabled box shows it too). */
void setBackground(QWidget* control, const QColor& colour) {
    QPalette palette = control->palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    control->setPalette(palette);
}

} // namespace

frmPreferences::frmPreferences(Preferences& preferences, ErrorReporter& reporter, QWidget* parent)
    : QDialog(parent), m_preferences(preferences), m_reporter(reporter) {
    setObjectName(u"frmPreferences"_s);
    setWindowTitle(u"Preferences"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(windowFont());
    setFixedSize(Twips::toPixelsX(DesignClientWidth), Twips::toPixelsY(DesignClientHeight));
    buildControls();

    centreOnScreen(this, parent); // rather than on the owner

    Form_Load();
}

frmPreferences::~frmPreferences() = default;

void frmPreferences::buildControls() {
    EdgeCaptionFrame* frame1 = nullptr;
    EdgeCaptionFrame* fraWeb = nullptr;
    QList<std::pair<int, QWidget*>> tabOrder;
    for (const ControlDesign& design : Controls) {
        QWidget* container = design.container == Container::Frame1   ? frame1
                             : design.container == Container::FraWeb ? fraWeb
                                                                     : static_cast<QWidget*>(this);
        const QString caption = design.caption.toString();
        QWidget* control = nullptr;
        switch (design.kind) {
        case Kind::Frame: {
            auto* frame = new EdgeCaptionFrame(caption, container);
            (design.name == u"Frame1" ? frame1 : fraWeb) = frame;
            control = frame;
            break;
        }
        case Kind::Label: {
            auto* label = new QLabel(caption, container);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            control = label;
            break;
        }
        case Kind::TextBox:
            control = new QLineEdit(container);
            break;
        case Kind::CheckBox:
            control = new QCheckBox(caption, container);
            break;
        case Kind::Option:
            control = new QRadioButton(caption, container);
            break;
        case Kind::Button:
            control = new QPushButton(caption, container);
            break;
        }
        control->setObjectName(design.name.toString());
        control->setGeometry(Twips::toPixels(design.rect));
        control->setProperty(TagProperty, design.tag.toString());
        tabOrder.append({design.tabIndex, control});
    }

    m_txtTimeZone = findChild<QLineEdit*>(u"txtTimeZone"_s);
    m_txtRefresh = findChild<QLineEdit*>(u"txtRefresh"_s);
    m_chkAlways = findChild<QCheckBox*>(u"chkAlways"_s);
    m_chkResolve = findChild<QCheckBox*>(u"chkResolve"_s);
    m_chkWeb = findChild<QCheckBox*>(u"chkWeb"_s);
    m_txtWebRefresh = findChild<QLineEdit*>(u"txtWebRefresh"_s);
    m_optFolder = findChild<QRadioButton*>(u"optFolder"_s);
    m_optFtp = findChild<QRadioButton*>(u"optFtp"_s);
    m_txtFolder = findChild<QLineEdit*>(u"txtFolder"_s);
    m_txtFtpServer = findChild<QLineEdit*>(u"txtFtpServer"_s);
    m_txtUser = findChild<QLineEdit*>(u"txtUser"_s);
    m_txtPass = findChild<QLineEdit*>(u"txtPass"_s);
    m_cmdOk = findChild<QPushButton*>(u"cmdOk"_s);
    m_cmdCancel = findChild<QPushButton*>(u"cmdCancel"_s);

    // "Web stats" lies on fraWeb's top edge as its caption; "General" goes in the same place.
    const int captionLeft = m_chkWeb->x() - fraWeb->x();
    frame1->setCaption(captionLeft, m_chkWeb->height());
    fraWeb->setCaption(captionLeft, m_chkWeb->height(), m_chkWeb);
    m_txtPass->setEchoMode(QLineEdit::Password);
    // Made after the controls, so that it is deleted after the box that uses it.
    auto* passwordStyle = new PasswordStyle(QStyleFactory::create(style()->name()));
    passwordStyle->setParent(this);
    m_txtPass->setStyle(passwordStyle);
    // A grey "AlwaysLoad" box (a stored 2) becomes an ordinary one once clicked.
    connect(m_chkAlways, &QCheckBox::clicked, m_chkAlways,
            [box = m_chkAlways] { box->setTristate(false); });

    m_cmdOk->setDefault(true);
    connect(m_cmdOk, &QPushButton::clicked, this, &frmPreferences::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmPreferences::cmdCancel_Click);
    // Clicks and the keyboard alike; also a change made by Form_Load.
    connect(m_chkWeb, &QCheckBox::toggled, this, &frmPreferences::EnableWebControls);
    connect(m_optFolder, &QRadioButton::toggled, this, &frmPreferences::EnableWebControls);
    connect(m_optFtp, &QRadioButton::toggled, this, &frmPreferences::EnableWebControls);
    m_txtRefresh->installEventFilter(this);
    m_txtTimeZone->installEventFilter(this);

    // The tab order is the order of the tab indexes; focus starts on "OK".
    std::sort(tabOrder.begin(), tabOrder.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* previous = nullptr;
    for (const auto& [index, control] : tabOrder) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
    m_cmdOk->setFocus();
}

QColor frmPreferences::windowBackground() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Base);
}

QColor frmPreferences::buttonFace() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
}

void frmPreferences::Form_Load() {
    const QString place = u"frmPreferences:Form_Load"_s;
    const Preferences& p = m_preferences;
    m_txtTimeZone->setText(QString::number(p.TimeZone));
    m_txtRefresh->setText(QString::number(p.RefreshRate));
    if (!m_reporter.runStep(place, [&] { setCheckValue(m_chkAlways, alwaysLoadInPreferences()); }))
        return;
    m_chkResolve->setChecked(p.ResolveClients);
    m_chkWeb->setChecked(p.WebStats);
    m_txtWebRefresh->setText(QString::number(p.WebRefreshRate));
    if (p.WebLocal)
        m_optFolder->setChecked(true);
    else
        m_optFtp->setChecked(true);
    m_txtFolder->setText(p.WebFolder);
    m_txtFtpServer->setText(p.WebFTPServer);
    m_txtUser->setText(p.WebFTPUser);
    m_txtPass->setText(p.WebFTPPass);
    EnableWebControls();
}

void frmPreferences::txtRefresh_LostFocus() {
    const std::optional<qint32> rate = wholeNumber(m_txtRefresh->text());
    m_txtRefresh->setText(!rate || *rate < 1 ? u"1"_s : QString::number(*rate));
}

void frmPreferences::txtTimeZone_LostFocus() {
    if (const std::optional<qint32> zone = wholeNumber(m_txtTimeZone->text()))
        m_txtTimeZone->setText(QString::number(*zone));
}

void frmPreferences::EnableWebControls() {
    const bool web = m_chkWeb->isChecked();
    const bool ftp = m_optFtp->isChecked();
    const bool folder = m_optFolder->isChecked();
    const QList<QWidget*> controls = findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const QString tag = control->property(TagProperty).toString();
        if (tag.contains(u'E'))
            control->setEnabled(web);
        if (tag.contains(u'B'))
            setBackground(control, web ? windowBackground() : buttonFace());
        if (!web)
            continue;
        // The later rule wins: the option decides for the boxes that follow one.
        if (tag.contains(u'F')) {
            control->setEnabled(ftp);
            setBackground(control, ftp ? windowBackground() : buttonFace());
        }
        if (tag.contains(u'U')) {
            control->setEnabled(folder);
            setBackground(control, folder ? windowBackground() : buttonFace());
        }
    }
}

void frmPreferences::cmdOK_Click() {
    const QString place = u"frmPreferences:cmdOK_Click"_s;
    Preferences& p = m_preferences;
    const auto step = [&](auto&& body) { return m_reporter.runStep(place, body); };
    // Abort leaves at once: what was taken stays in memory, nothing is saved.
    if (!step([&] { p.TimeZone = NumberText::toLong(m_txtTimeZone->text()); }))
        return;
    if (!step([&] { p.RefreshRate = NumberText::toLong(m_txtRefresh->text()); }))
        return;
    p.ResolveClients = checkValue(m_chkResolve) >= 1;
    p.WebStats = checkValue(m_chkWeb) >= 1;
    if (!step([&] { p.WebRefreshRate = NumberText::toLong(m_txtWebRefresh->text()); }))
        return;
    p.WebLocal = m_optFolder->isChecked();
    p.WebFolder = m_txtFolder->text();
    p.WebFTPServer = m_txtFtpServer->text();
    p.WebFTPUser = m_txtUser->text();
    p.WebFTPPass = m_txtPass->text();
    if (!step([&] { savePreferences(p, checkValue(m_chkAlways)); }))
        return;
    accept();
}

void frmPreferences::cmdCancel_Click() {
    reject();
}

bool frmPreferences::eventFilter(QObject* watched, QEvent* event) {
    // Focus moving to another control of the dialog; not focus leaving the window (a message
    // box on top, another program), which is no lost focus of the box.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_txtRefresh)
                txtRefresh_LostFocus();
            else if (watched == m_txtTimeZone)
                txtTimeZone_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}
