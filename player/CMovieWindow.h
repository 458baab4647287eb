#pragma once
// The built-in movie player as a child window, for when no Shockwave Flash control is
// installed: it plays a movie file from its first frame at the movie's frame rate, looping,
// scaled to fit its window keeping the movie's proportions, on the movie's background colour,
// with its sound through the default sound device (silent when there is none). A file it cannot
// play shows a short note in the middle instead; a movie written for ActionScript 3 plays what
// its timeline places with a note in a corner. The movie's scripts (ActionScript 1 and 2) run:
// buttons and clips with button handlers follow the mouse (the cursor is a hand over them), the
// keys reach the movie while the window has the keyboard focus (a click gives it), addresses
// its scripts open on a click or key press go to the default browser (http and https only), and
// scripts that run too long or too deep are stopped with a note in a corner while the picture
// plays on. It draws at its client size in pixels. Its timer and its sound go with the window.
//
// Driven by messages, like a control:
//   PLAYER_SETMOVIE  lParam: const char* path — loads the file (frame 1 is shown)
//   PLAYER_PLAY      starts playing
//   PLAYER_GETFRAME  returns the main timeline's frame, from 0, or -1 without a movie
//   PLAYER_GETNOTE   wParam: buffer size, lParam: char* buffer — the note shown, "" when a
//                    movie plays without one
//   PLAYER_SETURLOPENER  lParam: IUrlOpener* (not owned; null: the default browser) — where the
//                    movie's addresses go, for a movie loaded later
#include <windows.h>

constexpr UINT PLAYER_SETMOVIE = WM_USER + 100;
constexpr UINT PLAYER_PLAY = WM_USER + 101;
constexpr UINT PLAYER_GETFRAME = WM_USER + 102;
constexpr UINT PLAYER_GETNOTE = WM_USER + 103;
constexpr UINT PLAYER_SETURLOPENER = WM_USER + 104;

namespace MovieWindow {

constexpr const char kClassName[] = "TarnwickMoviePlayer";
constexpr const char kFileMissing[] = "Movie file not found";
constexpr const char kFileUnreadable[] = "Movie file cannot be read";
constexpr const char kActionScript3[] = "This movie needs ActionScript 3, which the built-in player does not run.";
constexpr const char kOutOfMemory[] = "Not enough memory to play this movie";

// Registers the window class once per process (later calls do nothing).
bool Register();

} // namespace MovieWindow
