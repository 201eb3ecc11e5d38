// The Linux open-file dialog: GTK 3's native file chooser, which goes through the desktop's portal
// where there is one and shows GTK's own chooser otherwise.
#include <clocale>
#include <memory>

#include <gtk/gtk.h>

#include "platform/chosen_file.h"
#include "platform/open_file_dialog.h"

namespace {

using ButtonActivate = void (*)(GtkButton*);

// GTK's own keyboard activation of a button, kept for the buttons it still serves.
ButtonActivate gtkButtonActivate = nullptr;

// A button activated from the keyboard shows itself pressed for 250 ms before it emits "clicked";
// the key release that would end that early goes to the focused field, not to the button. In the
// chooser, Return and a double-click activate the Open button that way, and Return on a typed
// path twice (before and after GTK looks the path up), so the user would wait a quarter or half a
// second for nothing. The chooser's plain buttons click at once instead; what a click does,
// including GTK's checks of the typed path, is unchanged. Buttons of a type with an activation of
// its own, and buttons outside a chooser, keep GTK's.
void clickAtOnce(GtkButton* button) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(button));
  if (GTK_BUTTON_GET_CLASS(button)->activate != gtkButtonActivate ||
      !GTK_IS_FILE_CHOOSER_DIALOG(toplevel)) {
    g_signal_chain_from_overridden_handler(button);
    return;
  }
  gtk_button_clicked(button);
}

// Overrides the signal's default handler, the way GObject offers for this, rather than writing
// into GTK's class record. A desktop portal's chooser runs in another process and is not touched.
void makeChooserButtonsClickAtOnce() {
  auto* buttonClass = static_cast<GtkButtonClass*>(g_type_class_ref(GTK_TYPE_BUTTON));
  gtkButtonActivate = buttonClass->activate;
  g_signal_override_class_handler("activate", GTK_TYPE_BUTTON, G_CALLBACK(clickAtOnce));
}

// GTK is started at the first press, not at start-up: a viewer that never loads never needs it.
bool gtkReady() {
  static const bool ready = [] {
    const bool started = gtk_init_check(nullptr, nullptr);
    // GTK has set the process locale from the environment, even when it found no display. Its
    // dialogs want that for their language, but numbers must keep reading with a full stop.
    std::setlocale(LC_NUMERIC, "C");
    if (started) {
      makeChooserButtonsClickAtOnce();
    }
    return started;
  }();
  return ready;
}

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFree {
  void operator()(gchar* text) const { g_free(text); }
};

GtkFileFilter* newFilter(const char* name, const char* pattern) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, name);
  gtk_file_filter_add_pattern(filter, pattern);
  return filter;
}

// Exporters write both .obj and .OBJ, and the Windows dialog matches either.
GtkFileFilter* newObjFilter() {
  return newFilter("Obj File (*.obj)", "*.[Oo][Bb][Jj]");
}

// The label is the same "all files" label the Windows dialog has. On Linux "*" is the pattern for
// every file: "*.*" would hide names without a dot.
GtkFileFilter* newAllFilesFilter() {
  return newFilter("すべて(*.*)", "*");
}

GtkFileFilter* addFilter(GtkFileChooser* chooser, GtkFileFilter* filter) {
  gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
  return filter;
}

// The chooser has been hidden, but its unmapping is only queued. The viewer's own loop does not
// run GTK's, so let GTK finish now and wait for the X server to see it: otherwise the chooser
// stays on screen over the viewer and takes its keys.
void finishPendingGtkWork() {
  while (gtk_events_pending()) {
    gtk_main_iteration_do(FALSE);
  }
  gdk_display_sync(gdk_display_get_default());
}

using ChooserPointer = std::unique_ptr<GtkFileChooserNative, GObjectUnref>;

// A chooser that has answered with a file, kept until the viewer has shown the file: destroying it
// takes about as long as reading and drawing a model, and the user waits for the model.
ChooserPointer answeredChooser;

void destroyChooser(ChooserPointer& dialog) {
  if (!dialog) {
    return;
  }
  gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(dialog.get()));
  dialog.reset();
  finishPendingGtkWork();
}

std::optional<std::string> runChooser() {
  ChooserPointer dialog(gtk_file_chooser_native_new(
      "Obj File", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr));
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(chooser, FALSE);
  GtkFileFilter* objFiles = addFilter(chooser, newObjFilter());
  addFilter(chooser, newAllFilesFilter());
  gtk_file_chooser_set_filter(chooser, objFiles);

  const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog.get()));
  std::unique_ptr<gchar, GFree> filename(
      response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_filename(chooser) : nullptr);
  // Events still queued for the hidden chooser, such as the release of the key that closed it,
  // are delivered while it exists.
  finishPendingGtkWork();
  if (!filename) {
    destroyChooser(dialog);
    return std::nullopt;
  }
  answeredChooser = std::move(dialog);
  return std::string(filename.get());
}

}  // namespace

std::optional<std::string> chooseObjFile() {
  releaseObjFileChooser();
  if (!gtkReady()) {
    return std::nullopt;
  }
  const std::optional<std::string> chosen = runChooser();
  if (!chosen) {
    return std::nullopt;
  }
  const std::optional<std::string> file = chosenFileToOpen(*chosen);
  if (!file) {
    releaseObjFileChooser();  // nothing will be drawn for this choice
  }
  return file;
}

void releaseObjFileChooser() {
  destroyChooser(answeredChooser);
}

namespace {

// A filter needs no display: it only matches names.
bool filterShows(GtkFileFilter* floatingFilter, const std::string& name) {
  const std::unique_ptr<GtkFileFilter, GObjectUnref> filter(
      GTK_FILE_FILTER(g_object_ref_sink(floatingFilter)));
  GtkFileFilterInfo info{};
  info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
  info.display_name = name.c_str();
  return gtk_file_filter_filter(filter.get(), &info) != FALSE;
}

}  // namespace

bool objFilterShows(const std::string& name) {
  return filterShows(newObjFilter(), name);
}

bool allFilesFilterShows(const std::string& name) {
  return filterShows(newAllFilesFilter(), name);
}
