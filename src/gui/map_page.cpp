#include "gui/map_page.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "base/error.h"
#include "dump/layout.h"
#include "dump/list_scan.h"
#include "gui/grid_view.h"
#include "gui/inspection_pages.h"
#include "gui/main_window.h"
#include "gui/press_table.h"
#include "inspect/commands.h"

namespace vesk {
namespace {

// Sectors run left to right, places top to bottom; above the cells a strip marks the sectors
// with FAT slots that name no place; the legend and the chosen list lie below.
constexpr int kLeft = 18;
constexpr int kLabelsTop = 0;
constexpr int kStripTop = 13;
constexpr int kTop = 20;
constexpr int kPitchX = 5;
constexpr int kPitchY = 12;
constexpr int kLegendTop = kTop + kPitchY * layout::kBlockPlaces + 6;
constexpr int kMapWidth = kLeft + kPitchX * layout::kSectorCount;

const QColor kErased(0xEC, 0xEC, 0xEC);
const QColor kCurrentList(0x1E, 0x4E, 0x8C);
const QColor kOlderList(0x8F, 0xA8, 0xD0);
const QColor kOrphan(0xD0, 0x10, 0x10);
const QColor kData(0x6E, 0x6E, 0x6E);
const QColor kMissing(0xFF, 0xFF, 0xFF);
const QColor kUnnamedSlot(0xFF, 0x8C, 0x00);
const QColor kMark(0x00, 0x00, 0x00);

// One colour per file: pastel hues spread by the row number, clear of the orphans' red.
QColor FileColor(int row) { return QColor::fromHsv(30 + (row * 67) % 290, 120, 235); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString KindCaption(const Inspection& in, const MapPlace& place) {
    switch (in.KindAt(place.sector, place.place)) {
    case BlockKind::Erased: return QStringLiteral("Стёрто");
    case BlockKind::List:
        return (in.CurrentList(place) ? QStringLiteral("Текущий список ") : QStringLiteral("Прежний список ")) +
               Q(ListPositionText(place.offset));
    case BlockKind::File: return QStringLiteral("Блок файла");
    case BlockKind::Orphan: return QStringLiteral("Блок-сирота");
    case BlockKind::Data: return QStringLiteral("Данные");
    case BlockKind::Missing: return QStringLiteral("За концом файла");
    }
    return {};
}

struct LegendItem {
    QString text;
    QColor color;
};
std::vector<LegendItem> Legend() {
    return {{QStringLiteral("стёрто"), kErased},          {QStringLiteral("текущий список"), kCurrentList},
            {QStringLiteral("прежний список"), kOlderList}, {QStringLiteral("блок файла"), FileColor(1)},
            {QStringLiteral("блок-сирота"), kOrphan},       {QStringLiteral("другие данные"), kData},
            {QStringLiteral("за концом файла"), kMissing},  {QStringLiteral("ячейка FAT без места"), kUnnamedSlot}};
}

std::vector<std::string> UnnamedIn(const Inspection& in, int sector) {
    std::vector<std::string> texts;
    for (const UnnamedSlot& u : in.Map().unnamed) {
        if (u.sector == sector) texts.push_back(std::to_string(u.slot) + " (" + u.address + ")");
    }
    return texts;
}

std::string JoinTexts(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& t : texts) joined += (joined.empty() ? "" : ", ") + t;
    return joined;
}

// The comparison's table in a dialog: one row a file, what happened to it.
void ShowDiff(QWidget* parent, const WindowHooks& hooks, const std::string& first, const std::string& second,
              const ListDiff& diff) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("DiffDialog"));
    dialog.setWindowTitle(QStringLiteral("Сравнение списков %1 и %2").arg(Q(first), Q(second)));
    auto* layout = new QVBoxLayout(&dialog);
    auto* table = new QTableWidget(&dialog);
    table->setObjectName(QStringLiteral("DiffTable"));
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({QStringLiteral("Файл"), QStringLiteral("Изменение")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    auto add = [table](const std::string& name, const QString& change) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(Q(name)));
        table->setItem(row, 1, new QTableWidgetItem(change));
    };
    for (const std::string& name : diff.added) add(name, QStringLiteral("добавлен"));
    for (const std::string& name : diff.removed) add(name, QStringLiteral("удалён"));
    for (const std::string& name : diff.changed) add(name, QStringLiteral("изменён"));
    for (const auto& [from, to] : diff.renamed) add(from, QStringLiteral("переименован в ") + Q(to));
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(0, 180);
    layout->addWidget(table);
    auto* same = new QLabel(QStringLiteral("Одинаковых файлов: %1").arg(diff.same), &dialog);
    same->setObjectName(QStringLiteral("DiffSame"));
    layout->addWidget(same);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(440, 320);
    if (hooks.modalDialog) {
        hooks.modalDialog(dialog);
    } else {
        dialog.exec();
    }
}

// "Сравнить": the two rows selected in ListsGrid, by their positions.
void CompareSelectedLists(TForm1& window, Form& form, const ProgramFolder& folder, const WindowHooks& hooks, GridView* lists) {
    std::set<int> rows;
    for (const QModelIndex& index : lists->selectionModel()->selectedIndexes()) rows.insert(index.row() + 1);
    std::vector<std::string> positions;
    for (const int row : rows) {
        const std::string& text = form.ListsGrid.Cell(kListsCol, row);
        if (text.rfind("0x", 0) == 0) positions.push_back(text);
    }
    if (positions.size() != 2) Refuse("Выберите в «Списки файлов» два списка: второй — щелчком с нажатой Ctrl.");
    const ListDiff diff = CompareListsOfOpenDump(form, window, folder, positions[0], positions[1]);
    ShowDiff(&window, hooks, positions[0], positions[1], diff);
}

}  // namespace

// ---- The map ----

BlockMapView::BlockMapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("BlockMap"));
    setMouseTracking(true);
}

void BlockMapView::SetInspection(std::shared_ptr<const Inspection> inspection) {
    inspection_ = std::move(inspection);
    marked_.clear();
    update();
}

void BlockMapView::SetMarked(std::vector<PlaceRef> places) {
    marked_ = std::move(places);
    update();
}

QRect BlockMapView::CellRect(int sector, int place) const {
    return {kLeft + kPitchX * sector, kTop + kPitchY * place, kPitchX - 1, kPitchY - 1};
}

std::optional<PlaceRef> BlockMapView::PlaceAt(const QPoint& point) const {
    if (point.x() < kLeft || point.y() < kTop) return std::nullopt;
    const int sector = (point.x() - kLeft) / kPitchX;
    const int place = (point.y() - kTop) / kPitchY;
    if (sector >= layout::kSectorCount || place >= layout::kBlockPlaces) return std::nullopt;
    return PlaceRef{sector, place};
}

QColor BlockMapView::CellColor(int sector, int place) const {
    if (!inspection_) return kErased;
    const MapPlace& p = inspection_->Map().At(sector, place);
    switch (inspection_->KindAt(sector, place)) {
    case BlockKind::Erased: return kErased;
    case BlockKind::List: return inspection_->CurrentList(p) ? kCurrentList : kOlderList;
    case BlockKind::File: return FileColor(inspection_->EntryRow(p).value_or(1));
    case BlockKind::Orphan: return kOrphan;
    case BlockKind::Data: return kData;
    case BlockKind::Missing: return kMissing;
    }
    return kErased;
}

QString BlockMapView::CellTip(int sector, int place) const {
    if (!inspection_) return {};
    const Inspection& in = *inspection_;
    const MapPlace& p = in.Map().At(sector, place);
    QStringList lines{QStringLiteral("Сектор %1, место %2: ").arg(sector).arg(place) + KindCaption(in, p),
                      QStringLiteral("Смещение ") + Q(ListPositionText(p.offset))};
    if (!p.slots.empty()) {
        std::vector<std::string> slots;
        for (const int n : p.slots) slots.push_back(std::to_string(n));
        lines << QStringLiteral("Ячейки FAT: ") + Q(JoinTexts(slots));
    }
    if (!p.owner.empty()) lines << QStringLiteral("Владелец: ") + Q(p.owner);
    if (const auto row = in.EntryRow(p)) {
        const ListEntry* entry = in.Entry(*row);
        lines << QStringLiteral("Файл: %1. ").arg(*row) + Q(entry ? entry->name : std::string());
    }
    return lines.join(QLatin1Char('\n'));
}

void BlockMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    for (int sector = 0; sector < layout::kSectorCount; sector += 8) {
        painter.drawText(QRect(kLeft + kPitchX * sector, kLabelsTop, 30, 12), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(sector));
    }
    for (int place = 0; place < layout::kBlockPlaces; place += 2) {
        painter.drawText(QRect(0, kTop + kPitchY * place, kLeft - 3, kPitchY), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(place));
    }
    for (int sector = 0; sector < layout::kSectorCount; ++sector) {
        if (inspection_ && !UnnamedIn(*inspection_, sector).empty()) {
            painter.fillRect(QRect(kLeft + kPitchX * sector, kStripTop, kPitchX - 1, 5), kUnnamedSlot);
        }
        for (int place = 0; place < layout::kBlockPlaces; ++place) {
            const QRect cell = CellRect(sector, place);
            painter.fillRect(cell, CellColor(sector, place));
            if (inspection_ && inspection_->KindAt(sector, place) == BlockKind::Missing) {
                painter.fillRect(cell, QBrush(kData, Qt::BDiagPattern));
            }
        }
    }
    painter.setPen(QPen(kMark, 1));
    for (const PlaceRef& p : marked_) painter.drawRect(CellRect(p.sector, p.place).adjusted(-1, -1, 0, 0));

    // The legend, two columns.
    const std::vector<LegendItem> legend = Legend();
    painter.setPen(palette().color(QPalette::WindowText));
    for (std::size_t i = 0; i < legend.size(); ++i) {
        const int x = i % 2 ? kMapWidth / 2 + 4 : 2;
        const int y = kLegendTop + 13 * static_cast<int>(i / 2);
        painter.fillRect(QRect(x, y + 2, 9, 9), legend[i].color);
        painter.drawRect(QRect(x, y + 2, 9, 9));
        painter.drawText(QRect(x + 14, y, kMapWidth / 2 - 16, 13), Qt::AlignLeft | Qt::AlignVCenter, legend[i].text);
    }
    QString caption = QStringLiteral("Откройте дамп, чтобы увидеть его карту.");
    if (inspection_) {
        const auto& chosen = inspection_->overview.chosenList;
        int files = 0;
        for (const ListEntry& e : inspection_->overview.entries) files += e.InUse() ? 1 : 0;
        caption = chosen ? QStringLiteral("Список %1, файлов: %2").arg(Q(ListPositionText(*chosen))).arg(files)
                         : QStringLiteral("Списков файлов нет");
    }
    painter.drawText(QRect(2, kLegendTop + 13 * 4 + 2, kMapWidth, 14), Qt::AlignLeft | Qt::AlignVCenter, caption);
}

void BlockMapView::mousePressEvent(QMouseEvent* event) {
    const auto p = PlaceAt(event->position().toPoint());
    if (p && placeClicked) placeClicked(p->sector, p->place);
}

bool BlockMapView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const QPoint point = static_cast<QHelpEvent*>(event)->pos();
    QString tip;
    if (const auto p = PlaceAt(point)) {
        tip = CellTip(p->sector, p->place);
    } else if (inspection_ && point.y() >= kStripTop && point.y() < kTop && point.x() >= kLeft && point.x() < kMapWidth) {
        const int sector = (point.x() - kLeft) / kPitchX;
        const std::vector<std::string> unnamed = UnnamedIn(*inspection_, sector);
        if (!unnamed.empty()) tip = QStringLiteral("Сектор %1, ячейки FAT без места: ").arg(sector) + Q(JoinTexts(unnamed));
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
    }
    return true;
}

// ---- The page ----

MapPage::MapPage(TForm1& window, Form& form, const ProgramFolder& folder, const WindowHooks& hooks, QWidget* parent)
    : QWidget(parent), window_(window), form_(form), folder_(folder), hooks_(hooks) {
    setObjectName(QStringLiteral("MapPage"));
    view_ = new BlockMapView(this);
    view_->setGeometry(2, 4, kMapWidth + 2, kLegendTop + 13 * 4 + 18);
    constexpr int kRight = kMapWidth + 10;
    auto* check = new QPushButton(QStringLiteral("Проверить"), this);
    check->setObjectName(QStringLiteral("CheckButton"));
    check->setGeometry(kRight, 4, 445 - kRight, 25);
    auto* recover = new QPushButton(QStringLiteral("Восстановить всё"), this);
    recover->setObjectName(QStringLiteral("RecoverButton"));
    recover->setGeometry(kRight, 33, 445 - kRight, 25);
    findingList_ = new QListWidget(this);
    findingList_->setObjectName(QStringLiteral("FindingList"));
    findingList_->setGeometry(kRight, 62, 445 - kRight, 220);
    findingList_->setWordWrap(true);
    findingList_->setTextElideMode(Qt::ElideNone);

    ConnectPresses<MapPage>(this, {
        {check, &MapPage::CheckClick},
        {recover, &MapPage::RecoverClick},
    });
    connect(findingList_, &QListWidget::currentRowChanged, this, &MapPage::FindingClick);
    view_->placeClicked = [this](int sector, int place) { PlaceClick(sector, place); };
}

void MapPage::Load() {
    if (form_.OpenDumpPath.empty()) {
        inspection_.reset();
    } else {
        inspection_ = std::make_shared<const Inspection>(InspectOpenDump(form_, window_, folder_));
    }
    view_->SetInspection(inspection_);
}

void MapPage::Refresh() {
    findings_.clear();
    findingList_->clear();
    Load();
}

void MapPage::CheckClick() {
    window_.Run([this] {
        Refresh();
        if (!inspection_) Refuse("Сначала откройте дамп.");
        findings_ = CheckDump(*inspection_);
        for (const Finding& f : findings_) {
            const bool error = f.severity == Severity::Error;
            auto* item = new QListWidgetItem((error ? QStringLiteral("Ошибка: ") : QStringLiteral("Внимание: ")) + Q(f.text));
            item->setToolTip(Q(f.kind));
            if (error) item->setForeground(kOrphan);
            findingList_->addItem(item);
        }
        if (findings_.empty()) findingList_->addItem(QStringLiteral("Ошибок и предупреждений нет."));
    });
}

void MapPage::FindingClick(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= findings_.size()) return;
    view_->SetMarked(findings_[static_cast<std::size_t>(row)].places);
}

void MapPage::PlaceClick(int sector, int place) {
    if (!inspection_) return;
    const auto row = inspection_->EntryRow(inspection_->Map().At(sector, place));
    if (!row || inspection_->KindAt(sector, place) != BlockKind::File) return;
    window_.Run([this, row] {
        form_.FileGrid.Col = kFileNameCol;
        form_.FileGrid.Row = *row;
    });
}

void MapPage::RecoverClick() {
    window_.Run([this] {
        if (form_.OpenDumpPath.empty()) Refuse("Сначала откройте дамп.");
        std::optional<std::string> dir;
        const std::string current = form_.TempFolderEdit;
        if (hooks_.folderDialog) {
            dir = hooks_.folderDialog(current);
        } else {
            const QString chosen = QFileDialog::getExistingDirectory(&window_, QStringLiteral("Папка для восстановления"), Q(current));
            if (!chosen.isEmpty()) dir = chosen.toStdString();
        }
        if (!dir) return;
        const std::vector<RecoveredFolder> folders = RecoverOpenDump(form_, window_, folder_, *dir);
        std::string text = "Восстановлено в " + *dir + ":";
        for (const RecoveredFolder& f : folders) {
            text += "\n" + f.name + "/: файлов " + std::to_string(f.files) + ", байт " + std::to_string(f.bytes);
            if (!f.error.empty()) text += "; ошибка: " + f.error;
        }
        if (folders.empty()) text += "\nсписков и блоков-сирот нет";
        window_.ShowMessage(text);
    });
}

void AddInspection(TForm1& window, Form& form, const ProgramFolder& folder, const WindowHooks& hooks) {
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("Pages"));
    auto* page = new MapPage(window, form, folder, hooks);
    const int index = pages->addTab(page, QStringLiteral("Карта"));
    QObject::connect(pages, &QTabWidget::currentChanged, page, [&window, page, index](int shown) {
        if (shown == index) window.Run([page] { page->Refresh(); });
    });
    // A dump opened while the page is in front: its map once the opening is done.
    QObject::connect(&window, &QWidget::windowTitleChanged, page, [&window, page, pages, index] {
        if (pages->currentIndex() == index) window.Run([page] { page->Refresh(); });
    }, Qt::QueuedConnection);

    auto* settings = window.findChild<QWidget*>(QStringLiteral("SettingsPage"));
    auto* lists = window.findChild<GridView*>(QStringLiteral("ListsGrid"));
    lists->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* compare = new QPushButton(QStringLiteral("Сравнить"), settings);
    compare->setObjectName(QStringLiteral("CompareButton"));
    compare->setGeometry(132, 196, 81, 25);
    QObject::connect(compare, &QPushButton::clicked, &window, [&window, &form, folder, &hooks, lists] {
        window.Run([&] { CompareSelectedLists(window, form, folder, hooks, lists); });
    });
}

}  // namespace vesk
