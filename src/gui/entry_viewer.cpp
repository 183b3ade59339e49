#include "gui/entry_viewer.h"

#include <QAction>
#include <QBoxLayout>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "dump/list_scan.h"
#include "dump/messages.h"
#include "form/form.h"
#include "gui/animation_controls.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "gui/map_page.h"
#include "gui/picture_image.h"
#include "gui/press_table.h"
#include "gui/text_grid_model.h"
#include "platform/cp1251.h"
#include "platform/file_output.h"

namespace vesk {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The text column shows a byte as its Windows-1251 character, the bytes that show nothing as ".".
const std::array<QChar, 256>& ByteChars() {
    static const std::array<QChar, 256> chars = [] {
        std::array<QChar, 256> c{};
        for (int b = 0; b < 256; ++b) {
            const QString s = QString::fromUtf8(Cp1251CharToUtf8(static_cast<std::uint8_t>(b)));
            c[static_cast<std::size_t>(b)] = (b < 0x20 || b == 0x7F || b == 0x98 || s.size() != 1) ? QChar('.') : s.front();
        }
        return c;
    }();
    return chars;
}

std::string SizeText(std::int64_t bytes) { return std::to_string(bytes) + " байт"; }

const QColor kTagColor(0xFF, 0xD8, 0x80);
const QColor kContentColor(0xD8, 0xF0, 0xD0);

}  // namespace

// ---- The bytes ----

HexModel::HexModel(QObject* parent) : QAbstractTableModel(parent) {}

void HexModel::SetBytes(std::vector<std::uint8_t> bytes, std::vector<Mark> marks) {
    beginResetModel();
    bytes_ = std::move(bytes);
    marks_ = std::move(marks);
    endResetModel();
}

int HexModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>((bytes_.size() + kBytesPerRow - 1) / kBytesPerRow);
}

int HexModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kBytesPerRow + 1; }

const HexModel::Mark* HexModel::MarkAt(std::int64_t offset) const {
    for (const Mark& m : marks_) {
        if (offset >= m.start && offset < m.start + m.length) return &m;
    }
    return nullptr;
}

QVariant HexModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const std::int64_t rowStart = std::int64_t{index.row()} * kBytesPerRow;
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (index.column() == kTextColumn) {
        if (role != Qt::DisplayRole) return {};
        QString text;
        for (std::int64_t i = rowStart; i < std::min(size, rowStart + kBytesPerRow); ++i) {
            text += ByteChars()[bytes_[static_cast<std::size_t>(i)]];
        }
        return text;
    }
    const std::int64_t offset = rowStart + index.column();
    if (offset >= size) return {};
    switch (role) {
    case Qt::DisplayRole: return QStringLiteral("%1").arg(bytes_[static_cast<std::size_t>(offset)], 2, 16, QChar('0')).toUpper();
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (const Mark* m = MarkAt(offset)) return m->color;
        return {};
    case Qt::ToolTipRole: {
        QString tip = QStringLiteral("0x%1").arg(offset, 8, 16, QChar('0')).toUpper().replace(QStringLiteral("0X"), QStringLiteral("0x"));
        if (const Mark* m = MarkAt(offset)) tip += QStringLiteral(": ") + m->caption;
        return tip;
    }
    default: return {};
    }
}

QVariant HexModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return QStringLiteral("%1").arg(std::int64_t{section} * kBytesPerRow, 8, 16, QChar('0')).toUpper();
    if (section == kTextColumn) return QStringLiteral("Текст");
    return QString::number(section, 16).toUpper();
}

// ---- The picture ----

PictureArea::PictureArea(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidgetResizable(false);
    label_ = new QLabel;
    label_->setObjectName(QStringLiteral("ViewerPicture"));
    scroll_->setWidget(label_);
    layout->addWidget(scroll_);
}

void PictureArea::SetImage(const QImage& image, bool keepZoom) {
    image_ = image;
    if (!keepZoom) fitting_ = true;
    Show();
}

double PictureArea::Scale() const {
    if (!fitting_ || image_.isNull()) return zoom_;
    const QSize room = scroll_->viewport()->size() - QSize(4, 4);
    return std::max(0.01, std::min(double(room.width()) / image_.width(), double(room.height()) / image_.height()));
}

void PictureArea::Fit() {
    fitting_ = true;
    Show();
}

void PictureArea::ZoomIn() {
    zoom_ = std::min(Scale() * 1.5, 64.0);
    fitting_ = false;
    Show();
}

void PictureArea::ZoomOut() {
    zoom_ = std::max(Scale() / 1.5, 0.05);
    fitting_ = false;
    Show();
}

void PictureArea::ActualSize() {
    zoom_ = 1.0;
    fitting_ = false;
    Show();
}

void PictureArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitting_) Show();
}

void PictureArea::Show() {
    if (image_.isNull()) {
        label_->setPixmap({});
        label_->resize(0, 0);
        return;
    }
    const double scale = Scale();
    const QSize size(std::max(1, int(std::lround(image_.width() * scale))), std::max(1, int(std::lround(image_.height() * scale))));
    // The phone's pictures are small: enlarged, each pixel stays a sharp square.
    const Qt::TransformationMode mode = scale >= 1 ? Qt::FastTransformation : Qt::SmoothTransformation;
    label_->setPixmap(QPixmap::fromImage(image_.scaled(size, Qt::IgnoreAspectRatio, mode)));
    label_->resize(size);
}

// ---- The viewer ----

EntryViewer::EntryViewer(TForm1& window, QWidget* parent) : QWidget(parent, Qt::Window), window_(window) {
    setObjectName(QStringLiteral("EntryViewer"));
    setWindowTitle(QStringLiteral("Просмотр файла"));
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("ViewerInfoLabel"));
    info_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(info_, 1);
    extract_ = new QPushButton(QStringLiteral("Извлечь..."), this);
    extract_->setObjectName(QStringLiteral("ViewerExtractButton"));
    top->addWidget(extract_);
    layout->addLayout(top);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("ViewerPages"));
    layout->addWidget(pages_, 1);

    // The picture, with its zoom and, for C10, its frames.
    auto* picturePage = new QWidget;
    auto* pictureLayout = new QVBoxLayout(picturePage);
    pictureControls_ = new QWidget(picturePage);
    auto* controls = new QHBoxLayout(pictureControls_);
    controls->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, pictureControls_);
        b->setObjectName(QString::fromUtf8(name));
        b->setToolTip(tip);
        controls->addWidget(b);
        return b;
    };
    QPushButton* fit = button("ViewerFitButton", QStringLiteral("По окну"), QStringLiteral("Вписать в окно"));
    QPushButton* zoomIn = button("ViewerZoomInButton", QStringLiteral("+"), QStringLiteral("Крупнее"));
    QPushButton* zoomOut = button("ViewerZoomOutButton", QStringLiteral("−"), QStringLiteral("Мельче"));
    QPushButton* actual = button("ViewerActualSizeButton", QStringLiteral("1:1"), QStringLiteral("Точка в точку"));
    frameControls_ = new QWidget(pictureControls_);
    auto* frames = new QHBoxLayout(frameControls_);
    frames->setContentsMargins(12, 0, 0, 0);
    frameLabel_ = new QLabel(frameControls_);
    frameLabel_->setObjectName(QStringLiteral("ViewerFrameLabel"));
    nextFrame_ = new QPushButton(QStringLiteral("Кадр"), frameControls_);
    nextFrame_->setObjectName(QStringLiteral("ViewerNextFrameButton"));
    play_ = new QPushButton(QStringLiteral("▶"), frameControls_);
    play_->setObjectName(QStringLiteral("ViewerPlayButton"));
    play_->setToolTip(QStringLiteral("Показать кадры по очереди"));
    delay_ = new QSpinBox(frameControls_);
    delay_->setObjectName(QStringLiteral("ViewerDelayEdit"));
    delay_->setRange(10, 10000);
    delay_->setValue(kAnimationDelayMs);
    delay_->setSuffix(QStringLiteral(" мс"));
    for (QWidget* w : std::initializer_list<QWidget*>{frameLabel_, nextFrame_, play_, delay_}) frames->addWidget(w);
    controls->addWidget(frameControls_);
    controls->addStretch();
    pictureLayout->addWidget(pictureControls_);
    picture_ = new PictureArea(picturePage);
    pictureLayout->addWidget(picture_, 1);
    pages_->addTab(picturePage, QStringLiteral("Изображение"));

    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("ViewerText"));
    text_->setReadOnly(true);
    pages_->addTab(text_, QStringLiteral("Текст"));

    hex_ = new HexModel(this);
    hexView_ = new QTableView;
    hexView_->setObjectName(QStringLiteral("ViewerHex"));
    hexView_->setModel(hex_);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    hexView_->setFont(fixed);
    hexView_->verticalHeader()->setFont(fixed);
    // Every row and column of one size: the view never measures the rows it does not show.
    hexView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    hexView_->verticalHeader()->setDefaultSectionSize(QFontMetrics(fixed).height() + 4);
    hexView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const int cell = QFontMetrics(fixed).horizontalAdvance(QStringLiteral("000"));
    hexView_->horizontalHeader()->setDefaultSectionSize(cell);
    hexView_->horizontalHeader()->setStretchLastSection(true);
    hexView_->setColumnWidth(HexModel::kTextColumn, QFontMetrics(fixed).horizontalAdvance(QString(20, QChar('0'))));
    hexView_->setShowGrid(false);
    hexView_->setWordWrap(false);
    hexView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pages_->addTab(hexView_, QStringLiteral("Байты"));

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
    ConnectPresses<EntryViewer>(this, {
        {extract_, &EntryViewer::ExtractClick},
        {nextFrame_, &EntryViewer::NextFrameClick},
        {play_, &EntryViewer::PlayClick},
    });
    connect(fit, &QPushButton::clicked, picture_, [this] { picture_->Fit(); });
    connect(zoomIn, &QPushButton::clicked, picture_, [this] { picture_->ZoomIn(); });
    connect(zoomOut, &QPushButton::clicked, picture_, [this] { picture_->ZoomOut(); });
    connect(actual, &QPushButton::clicked, picture_, [this] { picture_->ActualSize(); });
}

QString EntryViewer::InfoText() const { return info_->text(); }

void EntryViewer::ShowPages(bool picture, bool text) {
    pages_->setTabVisible(0, picture);
    pages_->setTabVisible(1, text);
    pages_->setCurrentIndex(picture ? 0 : text ? 1 : 2);
}

void EntryViewer::ShowEntry(const EntryFile& file, const ContentInfo& info) {
    StopPlaying();
    const bool samePicture = entry_ && entry_->entry.position == file.entry.position;
    entry_ = file;
    frames_.reset();
    setWindowTitle(QStringLiteral("Просмотр файла — ") + Q(file.FullName()));
    info_->setText(Q(file.entry.name + " (" + file.FullName() + "): " + DescribeContent(info) + "; " +
                     SizeText(static_cast<std::int64_t>(file.bytes.size()))));
    extract_->setVisible(true);
    hex_->SetBytes(file.bytes);

    bool picture = false;
    if (info.IsPicture() && !info.damaged) {
        // Whatever the readers refuse is told beside the kind; the bytes are still shown.
        try {
            if (info.kind == ContentKind::C10) {
                frames_ = std::make_unique<C10Frames>(file.bytes);
            } else {
                picture_->SetImage(ToQImage(DecodePicture(file.bytes, info.kind)), samePicture);
            }
            picture = true;
        } catch (const std::exception& e) {
            frames_.reset();
            info_->setText(info_->text() + QStringLiteral("; ") + Q(e.what()));
        }
    }
    frameControls_->setVisible(frames_ != nullptr);
    if (frames_) ShowFrame(samePicture);
    text_->setPlainText(info.kind == ContentKind::Text ? Q(ContentText(file.bytes, info)) : QString());
    ShowPages(picture, info.kind == ContentKind::Text);
}

void EntryViewer::ShowBlock(const BlockBytes& block) {
    StopPlaying();
    entry_.reset();
    frames_.reset();
    const QString where = QStringLiteral("сектор %1, место %2, смещение 0x%3")
                              .arg(block.sector)
                              .arg(block.place)
                              .arg(QStringLiteral("%1").arg(block.offset, 8, 16, QChar('0')).toUpper());
    setWindowTitle(QStringLiteral("Просмотр файла — блок: ") + where);
    QString text = QStringLiteral("Блок: ") + where + QStringLiteral("; метка владельца ") +
                   (block.owner.empty() ? QStringLiteral("пустая") : QStringLiteral("«") + Q(block.owner) + QStringLiteral("»"));
    text += QStringLiteral("; содержимое: байты %1–%2").arg(block.contentStart).arg(block.contentStart + block.contentLength - 1);
    info_->setText(text);
    extract_->setVisible(false);
    hex_->SetBytes(block.bytes, {
        {0, block.tagLength, kTagColor, QStringLiteral("метка владельца") + (block.owner.empty() ? QString() : QStringLiteral(" «") + Q(block.owner) + QStringLiteral("»"))},
        {block.contentStart, block.contentLength, kContentColor, QStringLiteral("содержимое")},
    });
    ShowPages(false, false);
}

void EntryViewer::ShowFrame(bool keepZoom) {
    picture_->SetImage(ToQImage(frames_->Shown()), keepZoom);
    frameLabel_->setText(QStringLiteral("Кадр %1 из %2").arg(frames_->Frame()).arg(frames_->FrameCount()));
    nextFrame_->setEnabled(frames_->HasNext());
    play_->setEnabled(frames_->FrameCount() > 1);
}

void EntryViewer::NextFrameClick() {
    if (!frames_ || !frames_->HasNext()) return;
    window_.Run([this] {
        try {
            frames_->Next();
        } catch (...) {
            StopPlaying();
            ShowFrame(true);
            throw;
        }
        ShowFrame(true);
    });
}

void EntryViewer::PlayClick() {
    if (timer_->isActive()) {
        StopPlaying();
        return;
    }
    if (!frames_ || frames_->FrameCount() < 2) return;
    // From the first frame again once the last one is shown.
    if (!frames_->HasNext()) {
        window_.Run([this] { frames_->Restart(); });
        ShowFrame(true);
    }
    play_->setText(QStringLiteral("■"));
    timer_->start(delay_->value());
}

void EntryViewer::Tick() {
    if (!frames_ || !frames_->HasNext()) {
        StopPlaying();
        return;
    }
    timer_->setInterval(delay_->value());
    NextFrameClick();
    if (!frames_ || !frames_->HasNext()) StopPlaying();
}

void EntryViewer::StopPlaying() {
    timer_->stop();
    play_->setText(QStringLiteral("▶"));
}

void EntryViewer::ExtractClick() {
    if (!entry_) return;
    window_.Run([this] {
        std::optional<std::string> folder;
        const std::string current = window_.GetForm().TempFolderEdit;
        if (window_.Hooks().folderDialog) {
            folder = window_.Hooks().folderDialog(current);
        } else {
            const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Извлечь в папку"), Q(current));
            if (!chosen.isEmpty()) folder = chosen.toStdString();
        }
        if (!folder) return;
        if (folder->empty() || folder->back() != '/') *folder += '/';
        // As unpacking names and writes it: whole or not at all.
        const std::string path = *folder + entry_->FullName();
        WriteWholeFile(path, entry_->bytes, Durability::Replaceable);
        window_.SetStatus(1, "Извлечён " + path);
    });
}

// ---- The wiring on the main window ----

EntryViewerControls::EntryViewerControls(TForm1& window, Form& form, const ProgramFolder& folder, GridView* fileGrid,
                                         TextGridModel* fileModel)
    : QObject(&window), window_(window), form_(form), folder_(folder), fileGrid_(fileGrid), fileModel_(fileModel) {
    auto* view = new QAction(QStringLiteral("Просмотр"), fileGrid);
    view->setObjectName(QStringLiteral("ViewEntryAction"));
    fileGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    fileGrid->addAction(view);
    const auto currentRow = [this] {
        const QModelIndex current = fileGrid_->currentIndex();
        return current.isValid() ? fileModel_->GridRow(current.row()) : 0;
    };
    connect(view, &QAction::triggered, this, [this, currentRow] { Open(currentRow()); });
    connect(fileGrid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { Open(fileModel_->GridRow(index.row())); });
    connect(fileGrid, &GridView::KeyDown, this, [this, currentRow](int key) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) Open(currentRow());
    });
    connect(fileGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (viewer_ && viewer_->isVisible() && current.isValid()) Show(fileModel_->GridRow(current.row()));
    });
    viewport_ = fileGrid->viewport();
    viewport_->installEventFilter(this);

    // A click on a place of "Карта": the page selects the place's entry, then the viewer shows
    // the block.
    if (auto* page = dynamic_cast<MapPage*>(window.findChild<QWidget*>(QStringLiteral("MapPage")))) {
        auto selectEntry = page->View()->placeClicked;
        page->View()->placeClicked = [this, selectEntry](int sector, int place) {
            if (selectEntry) selectEntry(sector, place);
            ShowPlace(sector, place);
        };
    }
}

bool EntryViewerControls::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the filter also sees the viewport's events while the grid is destroyed,
    // when the grid can no longer be asked anything.
    if (event->type() == QEvent::ToolTip && watched == viewport_) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = fileGrid_->indexAt(help->pos());
        const QString tip = index.isValid() ? RowTip(fileModel_->GridRow(index.row())) : QString();
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, fileGrid_->viewport());
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

std::shared_ptr<const ListFiles> EntryViewerControls::Files() {
    const Form& form = window_.GetForm();
    const QFileInfo file(Q(form.OpenDumpPath));
    const std::string key = form.OpenDumpPath + '\n' + form.ListAddressEdit + '\n' + form.FirmwareCombo + '\n' +
                            std::to_string(file.size()) + '\n' +
                            std::to_string(file.lastModified().toMSecsSinceEpoch());
    if (cache_.files && cache_.key == key) return cache_.files;
    cache_ = {};
    if (form.OpenDumpPath.empty() || form.ListAddressEdit.empty()) Refuse("Сначала откройте дамп и нажмите «Поиск».");
    // A value the window already complained about when "Поиск" read it: no second box here.
    const Complain quiet = [](const std::string&) {};
    const std::int64_t list = ListPositionValue(form.ListAddressEdit, quiet);
    cache_.files = std::make_shared<const ListFiles>(ReadListFiles(form.OpenDumpPath, list, folder_, form.FirmwareCombo, quiet));
    cache_.key = key;
    return cache_.files;
}

const EntryFile* EntryViewerControls::RowFile(const ListFiles& files, int row) const {
    const std::string& shown = form_.FileGrid.Cell(kFileNameCol, row);
    if (shown.empty()) return nullptr;
    for (const EntryFile& f : files.files) {
        if (f.entry.index != row - 1) continue;
        if (f.entry.name == shown) return &f;
        break;
    }
    Refuse("«Список» показывает не то, что лежит в дампе сейчас: нажмите «Поиск» ещё раз.");
}

const ContentInfo& EntryViewerControls::InfoOf(const EntryFile& file) {
    auto it = cache_.infos.find(file.entry.index);
    if (it == cache_.infos.end()) it = cache_.infos.emplace(file.entry.index, JudgeContent(file.bytes, file.extension)).first;
    return it->second;
}

QString EntryViewerControls::RowTip(int row) {
    try {
        const std::shared_ptr<const ListFiles> files = Files();
        const EntryFile* file = RowFile(*files, row);
        if (!file) return {};
        if (!file->written) return QStringLiteral("Нет ни одного блока: распаковка файл не записывает");
        const ContentInfo& info = InfoOf(*file);
        return Q(DescribeContent(info) + "\n" + SizeText(static_cast<std::int64_t>(file->bytes.size())) + "\n" +
                 file->FullName());
    } catch (const std::exception&) {
        return {};  // a tooltip never interrupts: the viewer says what failed
    }
}

EntryViewer& EntryViewerControls::MakeViewer() {
    if (!viewer_) viewer_ = new EntryViewer(window_, &window_);
    return *viewer_;
}

void EntryViewerControls::Show(int row) {
    window_.Run([&] {
        const std::shared_ptr<const ListFiles> files = Files();
        const EntryFile* file = RowFile(*files, row);
        if (!file) return;
        if (!file->written) Refuse("У файла «" + file->entry.name + "» нет ни одного блока: распаковка его не записывает.");
        MakeViewer().ShowEntry(*file, InfoOf(*file));
    });
}

void EntryViewerControls::Open(int row) {
    if (row < 1 || form_.FileGrid.Cell(kFileNameCol, row).empty()) return;
    Show(row);
    if (!viewer_) return;
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

void EntryViewerControls::ShowPlace(int sector, int place) {
    auto* page = dynamic_cast<MapPage*>(window_.findChild<QWidget*>(QStringLiteral("MapPage")));
    if (!page || !page->CurrentInspection()) return;
    window_.Run([&] {
        const BlockBytes block = ReadBlockBytes(form_.OpenDumpPath, *page->CurrentInspection(), sector, place);
        EntryViewer& viewer = MakeViewer();
        viewer.ShowBlock(block);
        viewer.show();
        viewer.raise();
    });
}

}  // namespace vesk
