#include "QuietAlertDialog.h"

#include "LineSpacedLabel.h"
#include "WindowLook.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

QuietAlertDialog::QuietAlertDialog(int hours, QWidget* parent) : QDialog(parent) {
    setObjectName(u"frmQuietAlert"_s);
    setWindowTitle(u"Quiet-client alert"_s);
    setFont(windowFont());

    auto* text = new LineSpacedLabel(
        u"Tell me when a client that was returning blocks\nhas sent none for more than:"_s, this);
    m_hours = new QSpinBox(this);
    m_hours->setObjectName(u"txtHours"_s);
    m_hours->setRange(0, MaxHours);
    m_hours->setValue(qBound(0, hours, MaxHours));
    m_hours->setSpecialValueText(u"0 (off)"_s);
    auto* unit = new QLabel(u"&hours"_s, this);
    unit->setBuddy(m_hours);
    auto* note = new LineSpacedLabel(u"Time is the log's own: reading an old log raises\n"
                                     u"nothing. 0 turns the alert off."_s,
                                     this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(m_hours);
    row->addWidget(unit);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(row);
    layout->addWidget(note);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_hours->setFocus();
    m_hours->selectAll();
}

int QuietAlertDialog::hours() const {
    return m_hours->value();
}
