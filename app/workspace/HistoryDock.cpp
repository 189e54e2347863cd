#include "app/workspace/HistoryDock.h"

#include "app/document/QtPlanDocument.h"

#include <QUndoView>

CHistoryDock::CHistoryDock(CQtPlanDocument& document, QWidget* parent)
    : QDockWidget("History", parent), m_pView(new QUndoView(&document.UndoStack()))
{
    setObjectName("HistoryDock");
    m_pView->setEmptyLabel("The plan as opened");
    setWidget(m_pView);
}
