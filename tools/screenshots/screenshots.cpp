// Shows the window on a sample installation and saves a PNG of every page:
//   screenshots <output folder>
// It opens the sample dump, runs "Поиск" and "Распаковка", opens a small picture on the "C10"
// page, and last the multi-frame sample picture at its third frame, answering dialogs and
// message boxes itself (boxes are printed to stderr). "Карта" is shown on the sample dump of an
// installation (data/ and vesk-samples' content), checked; then that dump with one picture
// replaced through "В сборку" and "Собрать всё" (the question a picture of another size asks saved
// on the way).
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "gui/entry_viewer.h"
#include "gui/file_pane.h"
#include "gui/map_page.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "sample_dump/sample_dump.h"
#include "samples/sample_content.h"
#include "samples/sample_installation.h"

namespace {

std::string MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vesk-screens-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern + "/";
}

// A small picture to show on the "C10" page: colour bands, written as BMP.
std::string WritePicture(const std::string& folder) {
    QImage image(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 255 / 95, y * 255 / 63, 160));
    const std::string path = folder + "system/picture.bmp";
    image.save(QString::fromStdString(path), "BMP");
    return path;
}

// The sample ball, several frames with palettes and every kind of run, as a C10 file.
std::string WriteBall(const std::string& folder) {
    const auto frames = vesk::samples::BallFrames();
    const auto bytes = vesk::samples::EncodeHeaderForm(vesk::samples::kBallSize, vesk::samples::kBallSize, frames);
    const std::string path = folder + "system/ball.c10";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

void Save(QWidget& window, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + ".png");
    if (!window.grab().save(path)) std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
}

// "Просмотр файла": the sample ball at its third frame, then the bytes of the first block of the
// wallpaper, chosen on "Карта" (which must be in front, its map read).
void SaveViewer(vesk::TForm1& window, const QString& out) {
    vesk::EntryViewerControls* controls = nullptr;
    for (QObject* child : window.children()) {
        if (auto* c = dynamic_cast<vesk::EntryViewerControls*>(child)) controls = c;
    }
    const auto rowOf = [&window](const std::string& name) {
        for (int r = 1; r <= 100; ++r) {
            if (window.GetForm().FileGrid.Cell(vesk::kFileNameCol, r) == name) return r;
        }
        return 0;
    };
    if (!controls) return;
    controls->Open(rowOf("Шарик"));
    vesk::EntryViewer* viewer = controls->Viewer();
    if (!viewer) return;
    viewer->resize(560, 420);
    viewer->NextFrameClick();
    viewer->NextFrameClick();
    Save(*viewer, out, "14-viewer-c10");

    auto* page = dynamic_cast<vesk::MapPage*>(window.findChild<QWidget*>(QStringLiteral("MapPage")));
    if (!page || !page->CurrentInspection()) return;
    const vesk::Inspection& in = *page->CurrentInspection();
    const int wallpaper = rowOf("Фон");
    for (const vesk::MapPlace& p : in.Map().places) {
        if (in.KindAt(p.sector, p.place) != vesk::BlockKind::File || in.EntryRow(p) != wallpaper) continue;
        page->View()->placeClicked(p.sector, p.place);
        viewer->resize(760, 420);
        Save(*viewer, out, "15-viewer-block");
        break;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(vesk::WindowFont());
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    const std::string folder = MakeTempFolder();
    const std::string dump = vesk::sample::WriteSampleInstallation(folder);
    std::optional<vesk::DialogChoice> next;
    vesk::WindowHooks hooks;
    hooks.messageBox = [](vesk::BoxKind, const std::string& text) { std::fprintf(stderr, "box: %s\n", text.c_str()); };
    hooks.openDialog = [&](const QStringList&, const std::string&) { return next; };
    hooks.saveDialog = [](const QStringList&, const std::string&) { return std::optional<vesk::DialogChoice>(); };
    // The picture question of "Заменить...": saved, then answered as `answer` says.
    const char* answer = "KeepButton";
    hooks.modalDialog = [&](QDialog& dialog) {
        if (dialog.objectName() != QStringLiteral("PictureReplaceDialog")) return;
        dialog.show();
        Save(dialog, out, "16-replace-picture");
        if (auto* button = dialog.findChild<QPushButton*>(QString::fromUtf8(answer))) button->click();
    };
    int status = 0;
    {
        vesk::TForm1 window(vesk::ProgramFolder(folder), hooks);
        window.show();
        Save(window, out, "00-start");

        const std::string picture = WritePicture(folder);
        next = vesk::DialogChoice{dump, 1};
        window.OnOpenDump();
        window.OnReadList();
        window.OnUnpack();
        next = vesk::DialogChoice{picture, 2};
        window.OnOpenImage();

        auto* pages = window.findChild<QTabWidget*>(QStringLiteral("Pages"));
        auto* inner = window.findChild<QTabWidget*>(QStringLiteral("PicturePages"));
        const char* const names[] = {"01-list", "02-fat", "03-about", "04-settings", "05-new-vesk", "06-c10"};
        for (int i = 0; i < pages->count(); ++i) {
            // "Карта" is shown on the installed sample below, where there is more to see.
            if (!pages->isTabVisible(i) || i == static_cast<int>(vesk::Page::Map)) continue;
            pages->setCurrentIndex(i);
            if (i == static_cast<int>(vesk::Page::NewVesk)) {
                // The pane shows the unpacked files: put them on the build list.
                auto* pane = window.findChild<vesk::FilePane*>(QStringLiteral("FolderList"));
                for (int row = 0; row < pane->count(); ++row) {
                    pane->setCurrentRow(row);
                    window.OnAddFile();
                }
            }
            Save(window, out, names[i]);
        }
        inner->setCurrentIndex(1);
        Save(window, out, "07-c10-properties");

        next = vesk::DialogChoice{WriteBall(folder), 1};
        window.OnOpenImage();
        window.OnNextFrame();
        window.OnNextFrame();
        Save(window, out, "08-c10-frame-3-properties");
        inner->setCurrentIndex(0);
        Save(window, out, "09-c10-frame-3");
        if (!window.isVisible()) status = 1;
    }
    // "Карта" on the sample dump that an installation gets (vesk-samples), after "Проверить".
    const std::string installed = MakeTempFolder();
    try {
        std::filesystem::copy(VESK_DATA_DIR, installed, std::filesystem::copy_options::recursive);
        vesk::samples::MakeSampleInstallation(vesk::ProgramFolder(installed));
        vesk::TForm1 window(vesk::ProgramFolder(installed), hooks);
        window.show();
        next = vesk::DialogChoice{installed + "bins/" + vesk::samples::kSampleDump, 1};
        window.OnOpenDump();
        window.OnReadList();
        window.findChild<QTabWidget*>(QStringLiteral("Pages"))->setCurrentIndex(static_cast<int>(vesk::Page::Map));
        QApplication::processEvents();  // the map of the dump just opened
        window.findChild<QPushButton*>(QStringLiteral("CheckButton"))->click();
        Save(window, out, "10-map");
        SaveViewer(window, out);

        // "В сборку", the fourth entry replaced by the ball, "Собрать всё": a changed dump, checked.
        window.findChild<QPushButton*>(QStringLiteral("ToBuildButton"))->click();
        auto* build = window.findChild<vesk::GridView*>(QStringLiteral("BuildGrid"));
        build->setCurrentIndex(build->model()->index(3, vesk::kBuildNameCol - 1));  // past the "№" column
        next = vesk::DialogChoice{WriteBall(installed), 1};
        window.findChild<QAction*>(QStringLiteral("ReplaceAction"))->trigger();
        window.findChild<QPushButton*>(QStringLiteral("AssembleAllButton"))->click();
        Save(window, out, "11-repack");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "the installed sample: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::remove_all(installed, ec);
    return status;
}
