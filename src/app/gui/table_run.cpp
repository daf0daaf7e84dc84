#include "app/gui/table_run.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWidget>

#include "app/forms/file_rules.h"

namespace qelt::gui {

namespace {

class QtDesktop : public forms::Desktop {
  public:
    QtDesktop(QWidget& window, const GuiServices& services, std::string& last_chosen_file)
        : window_(window), services_(services), last_chosen_file_(last_chosen_file) {}

    std::optional<std::string> choose_file(const std::string& title, const std::string& filter,
                                           const std::string& start_folder) override {
        const std::optional<QString> path =
            services_.choose_file(&window_, QString::fromStdString(title),
                                  QString::fromStdString(forms::qt_file_filter(filter)),
                                  QString::fromStdString(start_folder));
        if (!path) return std::nullopt;
        return path->toStdString();
    }
    std::string& last_chosen_file() override { return last_chosen_file_; }
    std::optional<std::size_t> choose_from_list(const std::string& title, const std::string& prompt,
                                                const std::vector<std::string>& items) override {
        QStringList lines;
        for (const std::string& item : items) lines << QString::fromStdString(item);
        return services_.choose_from_list(&window_, QString::fromStdString(title),
                                          QString::fromStdString(prompt), lines);
    }
    void show_message(MessageKind kind, const std::string& title,
                      const std::string& text) override {
        services_.show_message(&window_, kind, QString::fromStdString(title),
                               QString::fromStdString(text));
    }
    void bring_to_front() override {
        window_.raise();
        window_.activateWindow();
    }
    // The run's busy cursor turns it on and off in turn, and off at the end.
    void set_busy(bool busy) override {
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    }
    bool open_document(const std::string& path) override {
        return services_.open_url(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    bool folder_writable(const std::string& folder) override {
        return services_.folder_writable(QString::fromStdString(folder));
    }
    std::string documents_folder() override { return services_.documents_folder().toStdString(); }
    void make_folder(const std::string& folder) override {
        QDir().mkpath(QString::fromStdString(folder));
    }
    bool exists(const std::string& path) override {
        return QFileInfo::exists(QString::fromStdString(path));
    }
    forms::PathStyle path_style() const override {
        return QDir::separator() == QLatin1Char('\\') ? forms::PathStyle::windows
                                                      : forms::PathStyle::posix;
    }

  private:
    QWidget& window_;
    const GuiServices& services_;
    std::string& last_chosen_file_;
};

}  // namespace

void with_qt_desktop(QWidget& main_window, const GuiServices& services,
                     std::string& last_chosen_file,
                     const std::function<void(forms::Desktop&)>& run) {
    QtDesktop desktop(main_window, services, last_chosen_file);
    run(desktop);
}

}  // namespace qelt::gui
