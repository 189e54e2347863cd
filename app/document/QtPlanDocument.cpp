#include "app/document/QtPlanDocument.h"

#include <QUndoCommand>
#include <QUndoStack>

// One step of the document's history on the stack. Pushing runs redo() at
// once: the document has taken the step already, so the first one is skipped.
class CQtPlanDocument::CStepCommand : public QUndoCommand
{
  public:
    CStepCommand(CQtPlanDocument& owner, const QString& text) : QUndoCommand(text), m_owner(owner) {}
    void redo() override
    {
        if (m_bPushed)
            m_owner.MoveFromStack(false);
        m_bPushed = true;
    }
    void undo() override { m_owner.MoveFromStack(true); }

  private:
    CQtPlanDocument& m_owner;
    bool m_bPushed = false;
};

CQtPlanDocument::CQtPlanDocument(CPlanDocument& document, QObject* parent)
    : QObject(parent), m_document(document), m_pStack(new QUndoStack(this))
{
    m_pStack->setUndoLimit(static_cast<int>(CPlanHistory::kMaxSteps));
    m_nListener = m_document.Subscribe([this](const PlanChange& change) { Heard(change); });
    Rebuild();
}

CQtPlanDocument::~CQtPlanDocument()
{
    m_document.Unsubscribe(m_nListener);
}

void CQtPlanDocument::Heard(const PlanChange& change)
{
    const QString name = QString::fromStdString(change.name);
    if (!m_bMirroring) {
        m_bMirroring = true;
        switch (change.kind) {
        case PlanChange::Kind::Edited:
            m_pStack->push(new CStepCommand(*this, name));
            break;
        case PlanChange::Kind::Undone:
        case PlanChange::Kind::Redone:
            // A step withdrawn leaves the stack a step the history no longer has.
            if (m_pStack->count() + 1 != static_cast<int>(m_document.History().StepCount()))
                Rebuild();
            else
                m_pStack->setIndex(static_cast<int>(m_document.History().CurrentIndex()));
            break;
        case PlanChange::Kind::Replaced:
            Rebuild();
            break;
        case PlanChange::Kind::Saved:
            break;
        }
        m_bMirroring = false;
    }
    if (change.kind != PlanChange::Kind::Saved)
        emit planChanged(static_cast<int>(change.kind), name);
    emit titleChanged(QString::fromStdString(m_document.Title()));
}

void CQtPlanDocument::Rebuild()
{
    const bool mirroring = m_bMirroring;
    m_bMirroring = true;
    m_pStack->clear();
    const CPlanHistory& history = m_document.History();
    for (size_t i = 1; i < history.StepCount(); ++i)
        m_pStack->push(new CStepCommand(*this, QString::fromStdString(history.StepName(i))));
    m_pStack->setIndex(static_cast<int>(history.CurrentIndex()));
    m_bMirroring = mirroring;
}

void CQtPlanDocument::MoveFromStack(bool undo)
{
    if (m_bMirroring)
        return;
    m_bMirroring = true;
    if (undo)
        m_document.Undo();
    else
        m_document.Redo();
    m_bMirroring = false;
}
