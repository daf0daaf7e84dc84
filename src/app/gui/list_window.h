#pragma once
// The list window xlfrm: one line chosen from several (the alignment of a LandXML file that
// holds an interchange's ramps), built from forms::alignment_list_form(). 确 定, Enter or a
// double click on a line takes the line selected; 取 消, Esc or the close box take none.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>

class QListWidget;

namespace qelt::gui {

class XlFrm : public QDialog {
    Q_OBJECT
  public:
    // `title` and `prompt` replace the form's caption and prompt where they are not empty;
    // `items` are the lines, the first selected.
    XlFrm(const QString& title, const QString& prompt, const QStringList& items,
          QWidget* parent = nullptr);

    // The index of the line chosen, once the window has closed by a choice; nothing before
    // then, or when it was cancelled.
    std::optional<std::size_t> chosen() const { return chosen_; }

    // Places `frm` across the middle of the screen, a third of the free height from the top.
    void CenterForm(QWidget* frm);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void choose();

    QListWidget* list_ = nullptr;
    std::optional<std::size_t> chosen_;
    bool loaded_ = false;
};

// Shows the list window modally over `parent` and returns once it is closed: the index of the
// line chosen, or nothing when the user cancelled.
std::optional<std::size_t> choose_from_list(QWidget* parent, const QString& title,
                                            const QString& prompt, const QStringList& items);

}  // namespace qelt::gui
