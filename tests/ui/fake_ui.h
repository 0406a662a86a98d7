#pragma once
// Test doubles of the user interface: FakeUi records every message box, dialog, pointer change
// and progress step, and answers dialogs and message boxes from a script; RecordingListObserver
// records the change notifications a list model sends to its view. Header-only, for the tests of
// every module that talks to the user through ui::Ui.

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/list_observer.h"
#include "ui/ui.h"

namespace ui::testing {

enum class DialogKind { Open, Save };

// What a scripted dialog does when it is shown.
struct DialogReply {
    DialogOutcome outcome = DialogOutcome::Cancelled;
    std::string fileName;                           // the result on Confirmed
    std::optional<std::string> currentDirectoryAfter;  // as a real dialog leaves it
};

// A dialog as it was shown: its kind and the settings it was given.
struct ShownDialog {
    DialogKind kind = DialogKind::Open;
    FileDialogSettings settings;
};

class FakeUi : public Ui {
public:
    // Script: answers are taken from the front; a dialog without a scripted reply is cancelled
    // and counted in unscriptedDialogs, a message box without one answers Ok.
    std::deque<DialogReply> dialogReplies;
    std::deque<Answer> messageAnswers;

    // State the code under test reads.
    std::optional<std::size_t> selection;
    std::string workingDirectory = "C:\\";

    // What was shown.
    std::vector<ShownDialog> dialogs;
    std::vector<MessageBoxRequest> messages;
    std::vector<Pointer> pointers;
    std::vector<std::pair<int, int>> progressRanges;
    std::vector<int> progressValues;
    int pendingMessagePumps = 0;
    int unscriptedDialogs = 0;

    void confirmNext(std::string fileName,
                     std::optional<std::string> currentDirectoryAfter = std::nullopt) {
        dialogReplies.push_back(
            DialogReply{DialogOutcome::Confirmed, std::move(fileName), std::move(currentDirectoryAfter)});
    }
    void cancelNext() { dialogReplies.push_back(DialogReply{DialogOutcome::Cancelled, {}, {}}); }

    Answer messageBox(const MessageBoxRequest& request) override {
        messages.push_back(request);
        if (messageAnswers.empty()) return Answer::Ok;
        const Answer a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }

    DialogOutcome showOpen(FileDialogSettings& settings) override {
        return show(DialogKind::Open, settings);
    }
    DialogOutcome showSave(FileDialogSettings& settings) override {
        return show(DialogKind::Save, settings);
    }

    std::optional<std::size_t> selectedRow() const override { return selection; }
    void setProgressRange(int minimum, int maximum) override {
        progressRanges.emplace_back(minimum, maximum);
    }
    void setProgress(int value) override { progressValues.push_back(value); }
    void setPointer(Pointer pointer) override { pointers.push_back(pointer); }
    void processPendingMessages() override { ++pendingMessagePumps; }
    std::string currentDirectory() const override { return workingDirectory; }

private:
    DialogOutcome show(DialogKind kind, FileDialogSettings& settings) {
        dialogs.push_back(ShownDialog{kind, settings});
        if (dialogReplies.empty()) {
            ++unscriptedDialogs;
            return DialogOutcome::Cancelled;
        }
        DialogReply reply = std::move(dialogReplies.front());
        dialogReplies.pop_front();
        if (reply.currentDirectoryAfter) workingDirectory = *reply.currentDirectoryAfter;
        if (reply.outcome == DialogOutcome::Confirmed) settings.fileName = std::move(reply.fileName);
        return reply.outcome;
    }
};

class RecordingListObserver : public ListObserver {
public:
    std::vector<ListChange> changes;
    void listChanged(const ListChange& change) override { changes.push_back(change); }
};

}  // namespace ui::testing
