#pragma once

namespace EventLoop {

// Qt's own event loop rather than GLib's, unless the environment says (QT_NO_GLIB set, even
// empty): a port's or a client's notice then reaches its handler in fewer steps. Called before
// the application object is made. True when GLib's loop is left out.
bool preferQts();

} // namespace EventLoop
