#pragma once

#include "ScriptedPrompts.h"

#include "app/ClassicPlan.h"
#include "app/DialogLayout.h"
#include "app/MainMenu.h"
#include "app/VolumePlannerDlg.h"
#include "classic/ClassicParameters.h"
#include "coverage/CoverageVolume.h"
#include "document/PlanEdits.h"
#include "scene/SceneSettings.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <optional>
#include <string>

// How long a step the window promises to be prompt (Cancel, a refusal,
// closing during a run) may take before a test calls it broken: far beyond
// what it takes even on a loaded machine, so that it never flakes. How
// prompt the step is, the benchmarks measure (CancelLatency in bench/).
inline constexpr qint64 kPromptlyMs = 15000;

// The real main window with its menu bar, its questions answered from a
// script: what the tests of the menu's commands share.
class CMenuWindowFixture
{
  protected:
    // A fresh window, shown, its scene ready; the shared state at its start values.
    void OpenWindow()
    {
        g_bFocalLengthWatchArmed = false;
        g_fSceneScaleX = g_fSceneScaleY = g_fSceneScaleZ = 1.0f;
        ResetCoverageParameters();
        auto prompts = std::make_unique<CScriptedPrompts>();
        m_prompts = prompts.get();
        m_dlg = std::make_unique<CVolumePlannerDlg>(std::move(prompts));
        m_menu = new CMainMenu(*m_dlg);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
        QTRY_VERIFY(m_dlg->IsSceneReady());
    }
    void CloseWindow()
    {
        m_dlg.reset();
        m_menu = nullptr;
        m_prompts = nullptr;
    }

    QWidget* Ctl(int id) const { return m_dlg->Control(id); }
    void Trigger(MenuCommand command) { m_menu->Action(command)->trigger(); }
    // Types the count and presses Enter: a new rig of n cameras.
    void EnterCameras(int n)
    {
        static_cast<QLineEdit*>(Ctl(kIdCameraCount))->setText(QString::number(n));
        QTest::mouseClick(Ctl(kIdEnter), Qt::LeftButton);
        QCOMPARE(GetSceneSettings()->GetCameraCount(), static_cast<uint32_t>(n));
    }

    // The window's plan, and a box added to its obstacles as one step of it.
    const Plan& WindowPlan() const { return m_menu->ClassicPlan().GetPlan(); }
    std::optional<std::string> AddObstacleBox(const ObstacleBox& box)
    {
        return m_menu->ClassicPlan().Edit("Add Box", [&box](Plan& plan) {
            ObstacleList list = plan.obstacles;
            list.boxes.push_back(box);
            return SetObstacles(plan, std::move(list));
        });
    }

    std::unique_ptr<CVolumePlannerDlg> m_dlg;
    CMainMenu* m_menu = nullptr;
    CScriptedPrompts* m_prompts = nullptr;
};
