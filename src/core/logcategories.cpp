#include "core/logcategories.h"

Q_LOGGING_CATEGORY(lcDatabase, "quillonix.db")
Q_LOGGING_CATEGORY(lcPhoto, "quillonix.photo")
Q_LOGGING_CATEGORY(lcFile, "quillonix.file")
