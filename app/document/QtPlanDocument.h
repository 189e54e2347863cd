#pragma once

#include "document/PlanDocument.h"

#include <QObject>
#include <QString>

class QUndoStack;

// A plan document for Qt: its changes as signals, and its history as a
// QUndoStack that Edit > Undo and Redo, their shortcuts and a QUndoView
// work on. The document stays the truth: the stack mirrors its steps, and
// moving the stack (a click in the view) moves the document.
class CQtPlanDocument : public QObject
{
    Q_OBJECT
  public:
    CQtPlanDocument(CPlanDocument& document, QObject* parent = nullptr);
    ~CQtPlanDocument() override;

    CPlanDocument& Document() const { return m_document; }
    const Plan& GetPlan() const { return m_document.GetPlan(); }
    QUndoStack& UndoStack() const { return *m_pStack; }

  signals:
    // The plan changed: a step taken, undone or redone, a plan opened or new.
    void planChanged(int kind, const QString& name);
    // The title ("stage.vplan*") may read otherwise: after any change or save.
    void titleChanged(const QString& title);

  private:
    class CStepCommand;
    void Heard(const PlanChange& change);
    // The stack as the document's history is now: every step, at its place.
    void Rebuild();
    // Runs `move` on the document from the stack, not heard back as a change to mirror.
    void MoveFromStack(bool undo);

    CPlanDocument& m_document;
    QUndoStack* m_pStack;
    int m_nListener = -1;
    // The stack is being set to the document, or the document moved by the stack.
    bool m_bMirroring = false;
};
