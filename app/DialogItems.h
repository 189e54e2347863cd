#pragma once

#include "app/UserPrompts.h"

#include <map>
#include <optional>
#include <string>

class QComboBox;
class QWidget;

// Texts the messages of several of the dialog's parts share.
inline constexpr const char* kInvalidAction = "Invalid Action";
inline constexpr const char* kInitializeCameras = "Initialize Number of Cameras";
// A box's text as the messages quote it.
inline std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// The dialog's controls by id, read and written in its text conventions, and
// the messages its handlers give: what the dialog's parts share of it.
// Reads come from edit boxes, writes go to edit boxes (which report the
// change) or labels.
class CDialogItems
{
  public:
    explicit CDialogItems(CUserPrompts& prompts) : m_prompts(prompts) {}

    void Add(int id, QWidget* control) { m_controls[id] = control; }
    // The control with this id; null for an id the dialog does not have.
    QWidget* Control(int id) const;
    QComboBox* Combo(int id) const;
    CUserPrompts& Prompts() const { return m_prompts; }

    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    int ItemInt(int id) const;
    float ItemFloat(int id) const;
    // The whole text of the box as a number, or nothing (see ReadBoxNumber).
    std::optional<float> BoxValue(int id) const;

    // Runs `writes` as writes of the dialog, not of the user: the watches
    // they set off store nothing (see IsDialogWriting).
    template <typename Writes> void WriteAsDialog(Writes&& writes)
    {
        const bool writing = m_bDialogWriting;
        m_bDialogWriting = true;
        writes();
        m_bDialogWriting = writing;
    }
    // A box written by the dialog, not by the user: no watch stores it.
    void PutBack(int id, const std::string& text);
    bool IsDialogWriting() const { return m_bDialogWriting; }

    PromptAnswer Message(const std::string& text, const std::string& caption,
                         PromptButtons buttons = PromptButtons::Ok);
    void Message(const std::string& text, const std::string& reason, const std::string& caption);

  private:
    CUserPrompts& m_prompts;
    std::map<int, QWidget*> m_controls;
    bool m_bDialogWriting = false;
};
