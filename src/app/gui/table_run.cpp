#include "app/gui/table_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>
#include <cerrno>
#include <optional>

#include "app/gui/file_rules.h"
#include "app/run_output.h"
#include "base/platform.h"

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
    DesktopRunUi(QWidget& window, const GuiServices& services, BusyCursor& busy)
        : window_(window), services_(services), busy_(busy) {}

    std::optional<std::string> choose_file(const FileDialog& dialog) override {
        busy_.pause();
        const std::optional<QString> path =
            services_.choose_file(&window_, QString::fromUtf8(dialog.title),
                                  QString::fromStdString(qt_file_filter(dialog.filter)));
        busy_.resume();
        if (!path || path->isEmpty()) return std::nullopt;
        if (dialog.role == DialogRole::boreholes) borehole_file = *path;
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
    const GuiServices& services_;
    BusyCursor& busy_;
};

// The workbook, begun only when the run starts its table: the borehole file is chosen by then,
// and a run that ends before it leaves no file behind. It goes beside the borehole file, or into
// the Documents folder when that folder cannot be written, and takes the first free name there.
class WorkbookSheet : public Sheet {
  public:
    WorkbookSheet(const DesktopRunUi& ui, const GuiServices& services)
        : ui_(ui), services_(services) {}

    void report_open() override {
        const QFileInfo boreholes(ui_.borehole_file);
        folder_ = boreholes.absolutePath();
        if (!services_.folder_writable(folder_)) {
            folder_ = services_.documents_folder();
            QDir().mkpath(folder_);
        }
        stem_ = QString::fromStdString(workbook_stem(boreholes.fileName().toStdString()));
        // A folder that cannot be written after all is told when the workbook is delivered.
        workbook_.emplace(QFile::encodeName(first_choice()).toStdString());
        workbook_->create();
        sheet().report_open();
    }
    void report_group_head(long r, const std::string& title) override {
        sheet().report_group_head(r, title);
    }
    void report_serial(long row, int k) override { sheet().report_serial(row, k); }
    void report_row(long row, const BoreholeRow& borehole) override {
        sheet().report_row(row, borehole);
    }
    void report_group_frame(long first, long last) override {
        sheet().report_group_frame(first, last);
    }
    void report_note(long row) override { sheet().report_note(row); }
    void report_page_lines(long last_data_row) override {
        sheet().report_page_lines(last_data_row);
    }
    void report_headers(const std::string& project_line) override {
        sheet().report_headers(project_line);
    }

    bool begun() const { return workbook_.has_value(); }

    // Writes the workbook and gives it its name. The path written, or the message saying why
    // it could not be (the path it was meant for and the reason, as qelt-cli says it).
    bool deliver(QString& path, QString& error) {
        const auto cannot_write = [&error](const QString& target, const std::string& reason) {
            error = QString::fromStdString(
                write_failure_message(QDir::toNativeSeparators(target).toStdString(), reason));
            return false;
        };
        if (!workbook_->close())
            return cannot_write(first_choice(), workbook_->file().failure_reason());
        // Never overwrite: should a file of the chosen name appear before the move, take the
        // next free name. (A dangling link counts as taken for the move but not for the
        // look-up, so the attempts are bounded.)
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::optional<std::string> target = free_workbook_path(
                folder_.toStdString(), stem_.toStdString(),
                [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); });
            if (!target) break;
            const int failure = workbook_->file().commit_no_replace(*target);
            if (failure == EEXIST) continue;
            if (failure != 0)
                return cannot_write(QString::fromStdString(*target), write_failure_reason(failure));
            path = QString::fromStdString(*target);
            return true;
        }
        return cannot_write(first_choice(), "文件夹中同名的表格太多");
    }

  private:
    XlsxSheet& sheet() { return workbook_->sheet(); }
    QString first_choice() const { return QDir(folder_).filePath(stem_ + QStringLiteral(".xlsx")); }

    const DesktopRunUi& ui_;
    const GuiServices& services_;
    std::optional<PendingWorkbook> workbook_;
    QString folder_, stem_;
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

TableRunResult run_table(QWidget& main_window, Method method, const GuiServices& services) {
    TableRunResult result;
    BusyCursor busy;
    DesktopRunUi ui(main_window, services, busy);
    WorkbookSheet sheet(ui, services);
    result.run = TableJob(method).run(ui, sheet);
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
