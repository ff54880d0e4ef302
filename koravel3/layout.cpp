#include "koravel3.h"
#include "ui_koravel3.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QScreen>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTranslator>

namespace {

// What the window manager's frame takes around the window, which is not
// known before the window is shown.
constexpr int frameAllowance = 40;

// The tables' style sheet paints every row pale green, selected ones
// included, and the toolkit writes selected text in white: unreadable. The
// text of a selected row is written dark instead.
class ReadableSelection final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->palette.setColor(QPalette::HighlightedText, QColor(0x10, 0x30, 0x10));
    }
};

} // namespace

bool loadQtFrench() {
    // The toolkit's own texts: standard buttons (Oui, Non, Annuler), the file
    // dialog and its overwrite question.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void Koravel3::fitIntoScreen() {
    // The form is drawn for 1297 × 784; a counter's laptop (1366 × 768, less
    // the task bar) is smaller. The pages scroll inside the window instead of
    // falling off the screen, and the window opens within the screen.
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(takeCentralWidget());
    setCentralWidget(scroll);

    const QScreen *shown = screen();
    if (!shown)
        return;
    const QRect available = shown->availableGeometry();
    const QSize room = available.size() - QSize(0, frameAllowance);
    if (width() <= room.width() && height() <= room.height())
        return;
    resize(size().boundedTo(room));
    move(available.topLeft());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void Koravel3::makeSelectionReadable() {
    for (QTableView *view : {ui->tableView, ui->tableView_2})
        view->setItemDelegate(new ReadableSelection(view));
}
