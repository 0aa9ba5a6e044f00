# The Debian package, made by `cpack -G DEB` in the build folder (scripts/package).
# Its version is the project's version.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillonix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "listing viewer for the front desk of a real-estate agency")
set(CPACK_PACKAGE_DESCRIPTION
    "Staff log in; then anybody at the desk searches the agency's property
listings by region, category and offer type, opens a listing with its full
record and photographs, enlarges a photo, and collects a customer's favourites
in a short list. The program only reads the listings: its own SQLite listing
database, or the Access file of an agency that moves over from Windows, read
through quillonix-import, which also converts it. quillonix-demodb makes a
demo listing database.")
set(CPACK_PACKAGE_CONTACT "Quillonix developers <quillonix@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The shared libraries give most dependencies; what the program loads at run time does not
# show there: the SQLite driver of Qt SQL, the image formats beyond those built into Qt
# (WebP photos), the font every window is laid out for, and Qt's own texts in Chinese.
# The X11 platform and the JPEG and GIF readers come with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, qt6-image-formats-plugins, fonts-wqy-microhei, qt6-translations-l10n")
# Making the package builds what it ships, not every target (the tests, the benchmark).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
