#include "components/pip/optindialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

OptInDialog::OptInDialog(const QString &title, const QString &recordFolder, int currentState,
                         QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("TessalyPIPOptInDialog"));

    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(title, this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto *explanation = new QLabel(
        tr("You can help make our products better by sharing how you use them: which parts of "
           "the product you start and which screens you open. Nothing you create, no file "
           "names and no personal details are recorded."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    m_optIn = new QRadioButton(tr("Yes, take part in the product-improvement programme"), this);
    m_optIn->setObjectName(QStringLiteral("optIn"));
    m_optOut = new QRadioButton(tr("No, thank you"), this);
    m_optOut->setObjectName(QStringLiteral("optOut"));
    m_optIn->setChecked(currentState == 1);
    m_optOut->setChecked(currentState == 0);
    layout->addWidget(m_optIn);
    layout->addWidget(m_optOut);

    auto *where = new QLabel(tr("Records are kept on this computer in %1. You can change your "
                                "choice at any time.")
                                 .arg(recordFolder),
                             this);
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_optIn, &QRadioButton::toggled, this, &OptInDialog::updateButtons);
    connect(m_optOut, &QRadioButton::toggled, this, &OptInDialog::updateButtons);
    updateButtons();
    setMinimumWidth(440);
}

int OptInDialog::choice() const
{
    if (m_optIn->isChecked())
        return 1;
    if (m_optOut->isChecked())
        return 0;
    return -1;
}

void OptInDialog::updateButtons()
{
    m_ok->setEnabled(choice() >= 0);
}
