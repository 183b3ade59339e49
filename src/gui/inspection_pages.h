#pragma once
// The dump inspection in the window (gui/map_page.h), wired in by TForm1's constructor.
namespace vesk {

class TForm1;
class ProgramFolder;
struct Form;
struct WindowHooks;

// Puts "Карта" after the last page and "Сравнить" under "Применить" on "Настройки", whose
// ListsGrid then takes Ctrl+click to select a second list.
void AddInspection(TForm1& window, Form& form, const ProgramFolder& folder, const WindowHooks& hooks);

}  // namespace vesk
