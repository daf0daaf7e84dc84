// The line tables (线形表) as the desktop programs run them: the alignment's dialogs, then the
// table of the line's own geometry and the stake table, each a workbook beside the alignment
// file. The engineer lays them beside the design drawings' 直线、曲线及转角表 and 逐桩坐标表
// before any borehole is placed on the line.
#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/desktop_run.h"
#include "app/forms/desktop_run_ui.h"
#include "app/run_line_tables.h"
#include "base/data_error.h"
#include "base/platform.h"

namespace qelt::forms {

namespace {

// One of the two tables on its way: written under a temporary name, then given its own.
struct TableFile {
    LineTableKind kind{};
    std::string stem;  // "<alignment file name>_逐桩坐标表"
    std::optional<PendingFile> pending;
    std::string path;  // once delivered
};

class LineTablesDelivery {
  public:
    LineTablesDelivery(Desktop& desktop, DesktopRunUi& ui, const Alignment& alignment,
                       const Terrain* ground, std::vector<std::string>& notices)
        : desktop_(desktop), ui_(ui), alignment_(alignment), ground_(ground), notices_(notices) {
        count_ = alignment.profile ? 3 : 2;
        tables_[0].kind = geometry_table_of(alignment);
        tables_[1].kind = LineTableKind::stakes;
        if (alignment.profile) tables_[2].kind = LineTableKind::grades;
    }

    LineTablesResult run() {
        folder_ = delivery_folder(desktop_, ui_.alignment_file);
        for (std::size_t i = 0; i < count_; ++i)
            if (!write(tables_[i])) return result_;
        // All written: only now does any get its name, so that a run never leaves one table
        // without the others.
        for (std::size_t i = 0; i < count_; ++i)
            if (!deliver(i)) break;
        return result_;
    }

    const TableFile& table(std::size_t i) const { return tables_[i]; }

  private:
    bool write(TableFile& t) {
        // Not `"_" + name`: g++ 12 at -O3 takes that for an overlapping copy (a false
        // -Wrestrict) and stops an optimised build.
        std::string suffix = line_table_file_name(t.kind);
        suffix.insert(suffix.begin(), '_');
        t.stem = workbook_stem(ui_.alignment_file, suffix);
        t.pending.emplace(
            join_path(folder_, numbered_workbook_name(t.stem, 1), desktop_.path_style()));
        try {
            if (t.pending->create(false) &&
                write_line_table_files(*t.pending, nullptr, t.kind, alignment_, ui_.alignment_file,
                                       kDefaultStakeInterval, ground_, &notices_))
                return true;
        } catch (const DataError& e) {
            // The line was read and built, but the table cannot be made of it: unlike a file
            // that does not read, the reason is the table's own, and the box says it.
            fail(e.what(), e.what());
            return false;
        }
        const std::string message =
            write_failure_message(t.pending->target(), t.pending->failure_reason());
        fail(message, message);
        return false;
    }

    bool deliver(std::size_t i) {
        TableFile& t = tables_[i];
        DeliveryFiles files;
        files.exists = [this, i](const std::string& p) { return taken(p, i); };
        files.move = [&t](const std::string& p) { return t.pending->commit_no_replace(p); };
        files.reason = write_failure_reason;
        std::string error;
        const std::optional<std::string> path =
            deliver_workbook(folder_, t.stem, desktop_.path_style(), files, error);
        if (!path) {
            fail(error, error);
            return false;
        }
        t.path = *path;
        result_.workbooks.push_back(t.path);
        return true;
    }

    // The two tables of one run take one number (set_number_taken), so that the engineer never
    // checks one run's curves against another's stakes.
    bool taken(const std::string& path, std::size_t i) const {
        std::vector<SetMember> set;
        std::vector<std::string> delivered;
        for (std::size_t k = 0; k < count_; ++k) {
            set.push_back({tables_[k].stem, kWorkbookExtension});
            if (!tables_[k].path.empty()) delivered.push_back(tables_[k].path);
        }
        return set_number_taken(path, set[i], set, folder_, desktop_.path_style(), delivered,
                                [this](const std::string& p) { return desktop_.exists(p); });
    }

    void fail(const std::string& message, const std::string& box) {
        result_.run.outcome = RunOutcome::data_error;
        result_.run.message = message;
        ui_.bring_main_window_to_front();
        ui_.show_error_box(box, kErrorBoxTitle);
    }

    Desktop& desktop_;
    DesktopRunUi& ui_;
    const Alignment& alignment_;
    const Terrain* ground_;
    std::vector<std::string>& notices_;
    std::string folder_;
    // The geometry table, the stakes and, where the line has a profile, the grades.
    std::array<TableFile, 3> tables_;
    std::size_t count_ = 2;
    LineTablesResult result_;
};

}  // namespace

LineTablesResult run_line_tables(Desktop& desktop, Method method, const RunOptions& options) {
    BusyCursor busy(desktop);
    DesktopRunUi ui(desktop, busy);
    const auto source = make_alignment_source(method);
    Alignment alignment;
    std::vector<std::string> notices;
    std::shared_ptr<const Terrain> terrain;
    try {
        read_line(ui, options, *source, alignment, notices);
        terrain = read_ground(ui, options, {}, alignment, notices);
    } catch (const std::exception& e) {
        // Choosing, reading and building the line: the run's one error path, nothing written.
        LineTablesResult result;
        result.run.outcome = RunOutcome::data_error;
        result.run.message = e.what();
        if (const auto* data = dynamic_cast<const DataError*>(&e)) {
            result.run.file = data->file();
            result.run.line = data->line();
        }
        ui.bring_main_window_to_front();
        ui.show_failure(dynamic_cast<const DialogCancelled*>(&e) ? std::string() : e.what(),
                        result.run.file, result.run.line);
        return result;
    }

    LineTablesDelivery delivery(desktop, ui, alignment, terrain.get(), notices);
    LineTablesResult result = delivery.run();
    result.run.file = ui.alignment_file;
    if (result.workbooks.empty()) return result;
    busy.pause();
    const TableFile& first = delivery.table(0);
    if (!desktop.open_document(first.path))
        ui.show(MessageKind::information, line_table_title(first.kind),
                workbook_not_opened_text(first.path, line_table_title(first.kind)));
    // Last, in one box: where the stake table went (only the first is opened) and what the
    // reading of the line noticed.
    std::string told;
    for (std::size_t i = 1; i < result.workbooks.size(); ++i) {
        if (!told.empty()) told += '\n';
        told += line_table_title(delivery.table(i).kind);
        told += "已写入：";
        told += result.workbooks[i];
    }
    if (!notices.empty()) {
        if (!told.empty()) told += "\n\n";
        told += notices_text(notices);
    }
    result.run.notices = std::move(notices);
    if (!told.empty()) {
        ui.bring_main_window_to_front();
        ui.show(MessageKind::information, kNoticeTitle, told);
    }
    return result;
}

}  // namespace qelt::forms
