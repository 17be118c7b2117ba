// The product's IBrowser: the platform's WebBrowser control (CLSID_WebBrowser) in a hand-written
// OLE container. The container (client site, in-place site and frame, document host UI handler,
// ambient properties) and the DWebBrowserEvents2 sink are reference-counted objects of their own,
// so a handler that destroys the browser from inside an event leaves them alive until the event
// has returned; the control is then closed from the message loop. Events stop the moment
// destruction begins.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <memory>
#include <string>

#include "browser/browser.h"

namespace qorv::browser {

// Creates the control as a child of parent at rect, in-place active; null when it cannot be had
// (no OLE on this thread, the control not registered, activation refused).
std::unique_ptr<IBrowser> CreateWebBrowserHost(HWND parent, const RECT& rect);

// The page zoom command as the host sends it: OLECMDID_OPTICAL_ZOOM without prompting, the
// percent as VT_I4 in, and OLECMDIDF_OPTICAL_ZOOM_NOPERSIST as VT_I4 in the out argument, so the
// engine keeps the zoom to this control instead of storing it for every new window.
HRESULT ExecOpticalZoom(IWebBrowser2* browser, int percent);

// What the host asks of the engine's document (IDocHostUIHandler::GetHostInfo). A page inside a
// game window: no sunken 3D border, themed form controls, no help menu; the page's own scroll
// bars stay unless the page (or the host, through overflow) hides them. DPI_AWARE: the engine lays
// the page out in CSS pixels times DPI/96 instead of drawing it at 96 DPI for the system to
// stretch, so a game stays sharp at 150 %.
inline constexpr DWORD kHostUiFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER |
                                      DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
                                      DOCHOSTUIFLAG_DPI_AWARE;
HRESULT DescribeHost(DOCHOSTUIINFO* info);

// The per-user document-mode setting for this executable (FEATURE_BROWSER_EMULATION = 11001, the
// newest engine, ignoring DOCTYPE). Written once per process, before the first control.
constexpr DWORD kBrowserEmulationMode = 11001;
bool EnsureBrowserEmulation();

// The engine's safety switches for host programs, on for the whole process before the first
// control: no navigation into a more trusted zone, local content locked down, protocols locked
// down per zone, no file download the player did not start, no guessing a file's type against
// its declared one, no pop-up windows without frame and status bar or off screen. False when one
// could not be set (logged).
inline constexpr INTERNETFEATURELIST kSafetySwitches[] = {
    FEATURE_ZONE_ELEVATION,      FEATURE_LOCALMACHINE_LOCKDOWN, FEATURE_PROTOCOL_LOCKDOWN,
    FEATURE_RESTRICT_FILEDOWNLOAD, FEATURE_MIME_SNIFFING,       FEATURE_WINDOW_RESTRICTIONS,
};
bool EnsureSafetySwitches();

// The download control flags the host gives the engine (DISPID_AMBIENT_DLCONTROL): pictures,
// videos and background sounds load; ActiveX controls are neither downloaded nor run, Java not
// run. Scripts stay on (no DLCTL_NO_SCRIPTS): the game and login pages are scripts.
inline constexpr LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS |
                                         DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                                         DLCTL_NO_JAVA;

}  // namespace qorv::browser
