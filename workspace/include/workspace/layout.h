// Panel layout and the small commands of the main window: windows fitted to
// the screen, control geometry in one step, the about panel, printing the
// main window and saving the graph as a picture.
#pragma once

// A control's place and size in pixels.
struct Rect {
    int top;
    int left;
    int height;
    int width;
};

extern char cFileName[260];   // file chosen for the graph picture
extern char cProjektDir[260]; // folder of the last picture, where its chooser starts

// Size all windows are designed for, and what a window's frame adds.
constexpr int kReferenceScreenWidth = 1920;
constexpr int kReferenceScreenHeight = 1036;
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 31;

// Where a window of width x height (its menu bar included) goes on a screen
// of screenWidth x screenHeight: enlarged in proportion on screens bigger than
// the reference, shrunk (keeping its proportions) when it does not fit with its
// frame, then centred with its frame.  placed is false (size only, no
// position) for a screen of no size.
struct PanelFit {
    int width;
    int height;
    int top;
    int left;
    bool placed;
};
PanelFit layout_FitToScreen(int width, int height, int screenWidth, int screenHeight);

void main_GetControlGeometrie(int panel, int control, Rect* rect);
void main_SetControlGeometrie(int panel, int control, Rect rect);

// The about panel's contact links made clickable (start-up).
void about_MakeLinks();

// Menu and panel callbacks.
void about(int menuBar, int menuItem, void* callbackData, int panel);
int AboutPanel(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
void FilePrintScreen(int menuBar, int menuItem, void* callbackData, int panel);
void FileSaveGraph(int menuBar, int menuItem, void* callbackData, int panel);

void layout_RegisterCallbacks();
