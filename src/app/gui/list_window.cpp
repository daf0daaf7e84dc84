#include "app/gui/list_window.h"

#include <QLabel>
#include <QListWidget>

#include "app/forms/form.h"
#include "app/gui/form_widgets.h"
#include "app/gui/window_geometry.h"

namespace qelt::gui {

XlFrm::XlFrm(const QString& title, const QString& prompt, const QStringList& items, QWidget* parent)
    : QDialog(parent) {
    setModal(true);
    build_form(*this, forms::alignment_list_form(), [this](forms::Action action) {
        if (action == forms::Action::accept_choice)
            choose();
        else if (action == forms::Action::close_window)
            reject();
    });
    if (!title.isEmpty()) setWindowTitle(title);
    if (!prompt.isEmpty())
        findChild<QLabel*>(QString::fromUtf8(forms::kListPrompt))->setText(prompt);
    list_ = findChild<QListWidget*>(QString::fromUtf8(forms::kListLines));
    list_->addItems(items);
    if (!items.isEmpty()) list_->setCurrentRow(0);
    list_->setFocus();
}

void XlFrm::choose() {
    // Only a line the user can see selected is an answer: with none (the selection cleared, or
    // nothing listed) 确 定 waits rather than guess at one.
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return;
    chosen_ = static_cast<std::size_t>(list_->row(selected.front()));
    accept();
}

void XlFrm::CenterForm(QWidget* frm) {
    center_form(*frm);
}

void XlFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        CenterForm(this);
    }
}

std::optional<std::size_t> choose_from_list(QWidget* parent, const QString& title,
                                            const QString& prompt, const QStringList& items) {
    XlFrm frm(title, prompt, items, parent);
    frm.exec();
    return frm.chosen();
}

}  // namespace qelt::gui
