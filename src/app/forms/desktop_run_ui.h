#pragma once
// The run's user interface as every desktop run gives it (the coordinate table, the as-drilled
// table, the line tables): the run's dialogs, boxes and list window through Desktop, the wait
// cursor lifted while they wait for the user, and the files the user chose, after which the
// run's outputs are named and beside which they go. What the user ticked before the run is not
// here but in the run's RunOptions (options_of, app/forms/main_actions.h).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/forms/desktop_run.h"
#include "app/forms/file_rules.h"
#include "app/run.h"

namespace qelt::forms {

// The wait cursor while the run works; lifted while a dialog or message waits for the user.
class BusyCursor {
  public:
    explicit BusyCursor(Desktop& desktop) : desktop_(desktop) { resume(); }
    ~BusyCursor() { pause(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void pause() {
        if (on_) desktop_.set_busy(false);
        on_ = false;
    }
    void resume() {
        if (!on_) desktop_.set_busy(true);
        on_ = true;
    }

  private:
    Desktop& desktop_;
    bool on_ = false;
};

class DesktopRunUi : public RunUi {
  public:
    DesktopRunUi(Desktop& desktop, BusyCursor& busy) : desktop_(desktop), busy_(busy) {}

    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        busy_.pause();
        std::string& last = desktop_.last_chosen_file();
        std::optional<std::string> path =
            desktop_.choose_file(dialog.title, filter_with_all_supported(dialog.filter),
                                 dialog_start_folder(last, desktop_.documents_folder()));
        busy_.resume();
        if (!path || path->empty()) return std::nullopt;
        last = *path;
        if (job_input(dialog.role).names_outputs) borehole_file = *path;
        if (dialog.role == DialogRole::alignment) alignment_file = *path;
        return path;
    }

    void show_error_box(const std::string& text, const std::string& title) override {
        show(MessageKind::error, title, text);
    }

    // A run the user ended by cancelling a dialog or a list window ("" and "") ends quietly:
    // he knows what he did not choose, and an error box would tell him of a fault there is not.
    void show_failure(const std::string& reason, const std::string& file, long line) override {
        if (reason.empty() && file.empty()) return;
        RunUi::show_failure(reason, file, line);
    }

    void show_data_message(const std::string& text) override {
        show(MessageKind::data, kDataMessageTitle, text);
    }

    void bring_main_window_to_front() override { desktop_.bring_to_front(); }

    std::optional<std::size_t> choose_alignment(
        const std::string& file, const std::vector<AlignmentChoice>& choices) override {
        std::vector<std::string> items;
        for (const AlignmentChoice& c : choices) items.push_back(alignment_choice_text(c));
        busy_.pause();
        const std::optional<std::size_t> chosen = desktop_.choose_from_list(
            kAlignmentListTitle, alignment_list_prompt(file, choices.size()), items);
        busy_.resume();
        return chosen;
    }

    std::optional<std::size_t> choose_profile(const std::string& file,
                                              const std::vector<std::string>& names) override {
        busy_.pause();
        const std::optional<std::size_t> chosen = desktop_.choose_from_list(
            kProfileListTitle, profile_list_prompt(file, names.size()), names);
        busy_.resume();
        return chosen;
    }

    std::optional<std::size_t> choose_surface(const std::string& file,
                                              const std::vector<std::string>& names) override {
        std::vector<std::string> items;
        for (const std::string& n : names) items.push_back(n.empty() ? "（无名称）" : n);
        busy_.pause();
        const std::optional<std::size_t> chosen = desktop_.choose_from_list(
            kSurfaceListTitle, surface_list_prompt(file, names.size()), items);
        busy_.resume();
        return chosen;
    }

    void show(MessageKind kind, const std::string& title, const std::string& text) {
        busy_.pause();
        desktop_.show_message(kind, title, text);
        busy_.resume();
    }

    // The last borehole file chosen, or points file in the as-drilled run: the table is named
    // after it and goes beside it.
    std::string borehole_file;
    // The last alignment file chosen: the line tables are named after it and go beside it.
    std::string alignment_file;

  private:
    Desktop& desktop_;
    BusyCursor& busy_;
};

// The folder a run's outputs go to: that of `input_file` (the current folder for a bare name),
// or the Documents folder, made where missing, when that folder cannot be written (a read-only
// share, a CD of the design office).
inline std::string delivery_folder(Desktop& desktop, const std::string& input_file) {
    std::string folder = folder_of(input_file);
    if (folder.empty()) folder.push_back('.');
    if (!desktop.folder_writable(folder)) {
        folder = desktop.documents_folder();
        desktop.make_folder(folder);
    }
    return folder;
}

}  // namespace qelt::forms
