#include "app/viewer.h"

#include <GL/freeglut.h>

#include <iostream>

#include "app/background_reading.h"
#include "app/load_command.h"
#include "platform/open_file_dialog.h"
#include "platform/process.h"
#include "view/camera.h"
#include "view/progress_bar.h"
#include "view/scene.h"

ViewerState viewerState;

namespace {

// One line on standard error, which on Windows first has to find the console the viewer was
// started from.
void say(const std::string& line) {
  attachParentConsole();
  std::cerr << line << '\n';
}

constexpr unsigned char kStopKey = 27;  // Escape

void sayWhatCameOf(const Failure& failure, const std::string& note) {
  if (failure || !note.empty()) {
    say(failure.value_or(note));
  }
}

// Runs on the main thread every kReadingWatchMs while a whole reading runs, and ends with it.
void watchReading(int /*value*/) {
  Failure failure;
  std::string note;
  if (finishReading(viewerState, failure, note)) {
    sayWhatCameOf(failure, note);
    glutPostRedisplay();
  }
  if (!viewerState.background) {
    return;
  }
  if (barStepChanged(viewerState, ReadingClock::now())) {
    glutPostRedisplay();
  }
  glutTimerFunc(kReadingWatchMs, watchReading, 0);
}

// The whole reading reads on a worker thread, watched from here; the specified one reads at once.
void openModel(const std::string& path, LoadWay way) {
  if (viewerState.reading == Reading::whole) {
    const bool watched = viewerState.background != nullptr;
    startReading(viewerState, path, way, ReadingClock::now());
    if (!watched) {
      glutTimerFunc(kReadingWatchMs, watchReading, 0);
    }
    return;
  }
  std::string note;
  const Failure failure = loadModel(viewerState, path, way, note);
  sayWhatCameOf(failure, note);
}

}  // namespace

void display() {
  drawScene(viewerState.camera, viewerState.model.get(), viewerState.floorOffset);
  if (const std::optional<float> bar = readingBar(viewerState, ReadingClock::now())) {
    drawProgressBar(*bar);
  }
  glutSwapBuffers();
  // Whatever the chooser left to tidy waits until the model it chose is on screen.
  releaseObjFileChooser();
}

void mouse(int button, int state, int x, int y) {
  cameraButton(viewerState.camera, button, state, x, y);
  if (state == GLUT_UP) {
    glutPostRedisplay();  // a released drag shows the full model again at once
  }
}

void motion(int x, int y) {
  cameraMotion(viewerState.camera, x, y);
  glutPostRedisplay();
}

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
  if (key == kStopKey && stopReading(viewerState)) {
    glutPostRedisplay();
  }
  if (const std::optional<std::string> path = askForFile(viewerState, key, chooseObjFile)) {
    openModel(*path, LoadWay::chosen);
    glutPostRedisplay();
  }
}

void openNamedFile(const std::string& file) {
  openModel(file, LoadWay::named);
}

void openDroppedFile(const std::string& file) {
  if (viewerState.choosingFile) {
    return;
  }
  openNamedFile(file);
  glutPostRedisplay();
}

void closeWindow() {
  viewerState.background.reset();
}
