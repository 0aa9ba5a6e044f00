#pragma once

// libmdb's header opens an extern "C" block around its include of GLib, whose C++ parts
// must then already be in: GLib comes first.
#include <glib.h>
#include <mdbtools.h>
