// A run's user interface answering its dialogs from a table of files, as a user who picks the
// same files every time; it records the dialogs' titles in the order they were asked.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/run.h"

namespace qelt::testing {

class ScriptedRunUi : public RunUi {
  public:
    std::map<DialogRole, std::string> files;
    std::vector<std::string> dialogs;
    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        dialogs.push_back(dialog.title);
        const auto file = files.find(dialog.role);
        if (file == files.end()) return std::nullopt;
        return file->second;
    }
    void show_error_box(const std::string&, const std::string&) override {}
    void show_data_message(const std::string&) override {}
    void bring_main_window_to_front() override {}
};

}  // namespace qelt::testing
