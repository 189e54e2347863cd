#include "app/ReportOptionsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace
{

QLineEdit* Edit(const std::string& text, const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

CReportOptionsDialog::CReportOptionsDialog(const ReportChoices& initial, QWidget* parent)
    : QDialog(parent), m_choices(initial), m_pTitle(Edit(initial.title, "title", this)),
      m_pClient(Edit(initial.client, "client", this)), m_pSite(Edit(initial.site, "site", this)),
      m_pAuthor(Edit(initial.author, "author", this)), m_pDate(Edit(initial.date, "date", this)),
      m_pBand(Edit(BandText(initial), "band", this)), m_pSlices(Edit(SlicesText(initial), "slices", this))
{
    setWindowTitle("Export Report");
    m_pDate->setPlaceholderText("today");
    m_pSlices->setPlaceholderText("none, or heights such as 1, 3");
    auto* form = new QFormLayout;
    form->addRow("Title:", m_pTitle);
    form->addRow("Client:", m_pClient);
    form->addRow("Site:", m_pSite);
    form->addRow("Author:", m_pAuthor);
    form->addRow("Date:", m_pDate);
    form->addRow("Height band (m):", m_pBand);
    form->addRow("Slices (m):", m_pSlices);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CReportOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CReportOptionsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(460, sizeHint().height());
}

QLineEdit* CReportOptionsDialog::Field(const char* name) const
{
    return findChild<QLineEdit*>(name);
}

void CReportOptionsDialog::accept()
{
    ReportChoices texts = m_choices;
    texts.title = m_pTitle->text().toStdString();
    texts.client = m_pClient->text().toStdString();
    texts.site = m_pSite->text().toStdString();
    texts.author = m_pAuthor->text().toStdString();
    texts.date = m_pDate->text().toStdString();
    if (const auto error =
            ReadReportChoices(texts, m_pBand->text().toStdString(), m_pSlices->text().toStdString(), m_choices)) {
        QMessageBox::warning(this, "Invalid Action", QString::fromStdString(*error));
        return;
    }
    QDialog::accept();
}
