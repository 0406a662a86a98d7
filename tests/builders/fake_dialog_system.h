#pragma once
// A scripted stand-in for the system's Open and Save As dialogs: it records each record it is
// given and answers from a script (a path typed by the user, a multiple selection, or cancel).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "builders/c_file_dialog.h"

namespace builders::testing {

class FakeDialogSystem final : public FileDialogSystem {
public:
    struct Call {
        bool save = false;
        DialogRecord record;  // as given to the system
    };
    // Replies from the front: the text the system puts into the file buffer (NULs allowed), or
    // nullopt for cancel. Unscripted calls cancel.
    std::deque<std::optional<std::u16string>> replies;
    std::optional<std::uint32_t> chosenFilterIndex;
    std::vector<Call> calls;

    bool getOpenFileName(DialogRecord& record) override { return answer(false, record); }
    bool getSaveFileName(DialogRecord& record) override { return answer(true, record); }
    std::string programName() const override { return "VelloryFlashScreensaver"; }

private:
    bool answer(bool save, DialogRecord& record) {
        calls.push_back(Call{save, record});
        if (replies.empty()) return false;
        std::optional<std::u16string> reply = replies.front();
        replies.pop_front();
        if (!reply) return false;
        // The system writes into the caller's buffer and leaves its size alone.
        for (std::size_t i = 0; i < record.lpstrFile.size(); ++i) {
            record.lpstrFile[i] = i < reply->size() ? (*reply)[i] : u'\0';
        }
        if (chosenFilterIndex) record.nFilterIndex = *chosenFilterIndex;
        return true;
    }
};

}  // namespace builders::testing
