#pragma once

#include "app/ReportChoices.h"

#include <QDialog>

class QLineEdit;

// Export Report's options: the title block (title, client, site, author,
// date) and the floor maps' height band and slices. OK is refused, with the
// field named, while a value cannot be used; the choices are then as before.
class CReportOptionsDialog : public QDialog
{
    Q_OBJECT
  public:
    CReportOptionsDialog(const ReportChoices& initial, QWidget* parent = nullptr);

    const ReportChoices& Choices() const { return m_choices; }
    QLineEdit* Field(const char* name) const;

    void accept() override;

  private:
    ReportChoices m_choices;
    QLineEdit* m_pTitle;
    QLineEdit* m_pClient;
    QLineEdit* m_pSite;
    QLineEdit* m_pAuthor;
    QLineEdit* m_pDate;
    QLineEdit* m_pBand;
    QLineEdit* m_pSlices;
};
