#include "app/VolumeCriteria.h"

#include "classic/ClassicParameters.h"
#include "app/BoxNumber.h"
#include "app/DialogItems.h"
#include "app/DialogLayout.h"
#include "app/DialogText.h"
#include "app/RigMarks.h"
#include "coverage/CoverageVolume.h"
#include "render/view/VolumeView.h"
#include "scene/SceneSettings.h"

#include <QComboBox>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace
{

SceneSettings& Settings()
{
    return *GetSceneSettings();
}

} // namespace

CVolumeCriteria::CVolumeCriteria(CDialogItems& items, const RigMarks& rig, CVolumeView& view)
    : m_items(items), m_rig(rig), m_view(view)
{
}

void CVolumeCriteria::OnIsoVolume()
{
    if (!m_rig.camerasInitialised) {
        m_items.Message(kInitializeCameras, kInvalidAction);
        return;
    }
    const int isoOperator = m_items.Combo(kIdIsoOperator)->currentIndex();
    if (isoOperator < 0) {
        m_items.Message("Select a control for generating Iso Volume", kInvalidAction);
        return;
    }
    const std::optional<long long> threshold = ReadBoxCount(m_items.ItemText(kIdIsoThreshold));
    if (!threshold) {
        m_items.Message("The Iso Volume \"Cameras\" box " + Quoted(m_items.ItemText(kIdIsoThreshold)) +
                            " is not a whole number. The threshold stays " + FormatUnsigned(GetIsoThreshold()) + ".",
                        kInvalidAction);
        m_items.SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
        return;
    }
    for (const auto& [id, name] : {std::pair{kIdResBound1, "first"}, std::pair{kIdResBound2, "second"}}) {
        if (!m_items.BoxValue(id)) {
            m_items.Message(std::string("The ") + name + " resolution bound " + Quoted(m_items.ItemText(id)) +
                                " is not a number. The previous bounds are kept.",
                            kInvalidAction);
            m_items.SetItemText(id, FormatBoxNumber(id == kIdResBound1 ? GetResBound1() : GetResBound2()));
            return;
        }
    }
    SetIsoOperator(static_cast<unsigned>(isoOperator));
    // Compared unsigned, so a negative threshold is refused too.
    const long long clamped = std::clamp<long long>(*threshold, INT_MIN, INT_MAX);
    const bool accepted = SetIsoThreshold(static_cast<unsigned>(static_cast<int>(clamped)));
    if (!accepted)
        m_items.Message(kIsoThresholdClampedMessage, "Warning");
    m_items.SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
    if (!accepted)
        return;
    const int resOperator1 = m_items.Combo(kIdResOperator1)->currentIndex();
    if (resOperator1 < 0) {
        m_items.Message("No Control Selected", kInvalidAction);
        return;
    }
    SetResOperator1(static_cast<unsigned>(resOperator1));
    const int resOperator2 = m_items.Combo(kIdResOperator2)->currentIndex();
    if (resOperator2 >= 0)
        SetResOperator2(static_cast<unsigned>(resOperator2));
    SetResBound1(*m_items.BoxValue(kIdResBound1));
    SetResBound2(*m_items.BoxValue(kIdResBound2));
    Settings().SetRecalculate(true);
    m_view.RequestRepaint();
}

void CVolumeCriteria::ShowCriteria()
{
    m_items.SetItemText(kIdIsoThreshold, FormatUnsigned(GetIsoThreshold()));
    m_items.SetItemText(kIdResBound1, FormatBoxNumber(GetResBound1()));
    m_items.SetItemText(kIdResBound2, FormatBoxNumber(GetResBound2()));
    const std::pair<int, unsigned> operators[] = {
        {kIdIsoOperator, GetIsoOperator()}, {kIdResOperator1, GetResOperator1()}, {kIdResOperator2, GetResOperator2()}};
    for (const auto& [id, selected] : operators) {
        QComboBox* combo = m_items.Combo(id);
        combo->clear();
        for (int i = 0; i < kComparisonOpCount; ++i)
            combo->insertItem(i, QString::fromStdString(ComparisonOpText(static_cast<unsigned>(i))));
        combo->setCurrentIndex(static_cast<int>(selected));
    }
}
