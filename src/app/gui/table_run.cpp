#include "app/gui/table_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>

#include "app/gui/file_rules.h"
#include "base/platform.h"
#include "report/xlsx_sheet.h"

namespace qelt::gui {

namespace {

// The wait cursor while the run works; lifted while a dialog or message waits for the user.
class BusyCursor {
  public:
    BusyCursor() { resume(); }
    ~BusyCursor() { pause(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void pause() {
        if (on_) QGuiApplication::restoreOverrideCursor();
        on_ = false;
    }
    void resume() {
        if (!on_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        on_ = true;
    }

  private:
    bool on_ = false;
};

class DesktopRunUi : public RunUi {
  public:
    DesktopRunUi(QWidget& window, const std::function<bool()>& method, const GuiServices& services,
                 BusyCursor& busy)
        : window_(window), method_(method), services_(services), busy_(busy) {}

    bool intersection_point_method() override { return method_(); }

    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        busy_.pause();
        const std::optional<QString> path =
            services_.choose_file(&window_, QString::fromUtf8(dialog.title),
                                  QString::fromStdString(qt_file_filter(dialog.filter)));
        busy_.resume();
        if (!path || path->isEmpty()) return std::nullopt;
        if (std::string_view(dialog.title) == kBoreholeDialog.title) borehole_file = *path;
        return path->toStdString();
    }

    void show_error_box(const std::string& text, const std::string& title) override {
        show(MessageKind::error, QString::fromStdString(title), QString::fromStdString(text));
    }

    void show_data_message(const std::string& text) override {
        show(MessageKind::data, QString::fromUtf8(kDataMessageTitle), QString::fromStdString(text));
    }

    void bring_main_window_to_front() override {
        window_.raise();
        window_.activateWindow();
    }

    void show(MessageKind kind, const QString& title, const QString& text) {
        busy_.pause();
        services_.show_message(&window_, kind, title, text);
        busy_.resume();
    }

    QString borehole_file;  // the last borehole file chosen

  private:
    QWidget& window_;
    const std::function<bool()>& method_;
    const GuiServices& services_;
    BusyCursor& busy_;
};

// The workbook, begun only when the run starts its table: the borehole file is chosen by then,
// and a run that ends before it leaves no file behind. It is written under a temporary name in
// the folder it will go to, and given its name only once it is complete.
class WorkbookSheet : public Sheet {
  public:
    WorkbookSheet(const DesktopRunUi& ui, const GuiServices& services)
        : ui_(ui), services_(services) {}

    ~WorkbookSheet() override {
        sheet_.reset();
        if (!temporary_.isEmpty()) QFile::remove(temporary_);
    }

    void report_open() override {
        const QFileInfo boreholes(ui_.borehole_file);
        folder_ = boreholes.absolutePath();
        if (!services_.folder_writable(folder_)) {
            folder_ = services_.documents_folder();
            QDir().mkpath(folder_);
        }
        stem_ = QString::fromStdString(workbook_stem(boreholes.fileName().toStdString()));
        const std::string temporary = temporary_path_beside(
            QFile::encodeName(QDir(folder_).filePath(stem_ + ".xlsx")).toStdString());
        temporary_ = QFile::decodeName(temporary.c_str());
        sheet_ = std::make_unique<XlsxSheet>(temporary);
        sheet_->report_open();
    }
    void report_group_head(long r, const std::string& title) override {
        sheet_->report_group_head(r, title);
    }
    void report_serial(long row, int k) override { sheet_->report_serial(row, k); }
    void report_row(long row, const BoreholeRow& borehole) override {
        sheet_->report_row(row, borehole);
    }
    void report_group_frame(long first, long last) override {
        sheet_->report_group_frame(first, last);
    }
    void report_note(long row) override { sheet_->report_note(row); }
    void report_page_lines(long last_data_row) override {
        sheet_->report_page_lines(last_data_row);
    }
    void report_headers(const std::string& project_line) override {
        sheet_->report_headers(project_line);
    }

    bool begun() const { return sheet_ != nullptr; }

    // Writes the workbook and gives it its name. The path written, or the message saying why
    // it could not be (the path it was meant for and the reason, as qelt-cli says it).
    bool deliver(QString& path, QString& error) {
        std::string close_error;
        errno = 0;
        const bool closed = sheet_->close(close_error);
        const int close_failure = errno;
        sheet_.reset();
        const QString first_choice = QDir(folder_).filePath(stem_ + QStringLiteral(".xlsx"));
        const auto cannot_write = [&error](const QString& target, const std::string& reason) {
            error = QString::fromStdString(
                write_failure_message(QDir::toNativeSeparators(target).toStdString(), reason));
            return false;
        };
        if (!closed) return cannot_write(first_choice, write_failure_reason(close_failure));
        // Never overwrite: should a file of the chosen name appear before the move, take the
        // next free name. (A dangling link counts as taken for the move but not for the
        // look-up, so the attempts are bounded.)
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::optional<std::string> target = free_workbook_path(
                folder_.toStdString(), stem_.toStdString(),
                [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); });
            if (!target) break;
            const int failure =
                rename_no_replace(QFile::encodeName(temporary_).toStdString(), *target);
            if (failure == EEXIST) continue;
            if (failure != 0)
                return cannot_write(QString::fromStdString(*target), write_failure_reason(failure));
            temporary_.clear();
            path = QString::fromStdString(*target);
            return true;
        }
        return cannot_write(first_choice, "文件夹中同名的表格太多");
    }

  private:
    const DesktopRunUi& ui_;
    const GuiServices& services_;
    std::unique_ptr<XlsxSheet> sheet_;
    QString folder_, stem_, temporary_;
};

}  // namespace

std::string notices_text(const std::vector<std::string>& notices) {
    std::string text;
    for (std::size_t i = 0; i < notices.size() && i < kNoticesListed; ++i) {
        if (i > 0) text += '\n';
        text += notices[i];
    }
    if (notices.size() > kNoticesListed)
        text += "\n……其余 " + std::to_string(notices.size() - kNoticesListed) + " 条提示从略";
    return text;
}

TableRunResult run_table(QWidget& main_window,
                         const std::function<bool()>& intersection_point_method,
                         const GuiServices& services) {
    TableRunResult result;
    BusyCursor busy;
    DesktopRunUi ui(main_window, intersection_point_method, services, busy);
    WorkbookSheet sheet(ui, services);
    {
        auto tables = std::make_unique<RunTables>();
        auto main_line = make_main_line_alignment(tables->main_line);
        auto ramp = make_element_alignment(tables->element_chain);
        result.run = run_coordinate_table(ui, *main_line, *ramp, tables->chain_breaks, sheet);
    }
    if (sheet.begun()) {
        QString error;
        if (sheet.deliver(result.workbook, error)) {
            busy.pause();
            if (!services.open_url(QUrl::fromLocalFile(result.workbook))) {
                // Without a spreadsheet application the user must at least learn where the
                // table is.
                ui.show(
                    MessageKind::information, QString::fromUtf8(kTableTitle),
                    QStringLiteral("钻孔数量及位置表已写入：\n%1\n\n没有找到打开它的电子表格程序。")
                        .arg(QDir::toNativeSeparators(result.workbook)));
            }
        } else {
            ui.bring_main_window_to_front();
            ui.show(MessageKind::error, QString::fromUtf8(kErrorBoxTitle), error);
        }
    }
    // Last, what the run computed but the user should know, in one box.
    if (!result.run.notices.empty()) {
        ui.bring_main_window_to_front();
        ui.show(MessageKind::information, QString::fromUtf8(kNoticeTitle),
                QString::fromStdString(notices_text(result.run.notices)));
    }
    return result;
}

}  // namespace qelt::gui
