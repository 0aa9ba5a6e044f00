# The Debian 12 packages of each task, for scripts/setup (sourced).
# shellcheck shell=bash disable=SC2034  # the lists are read by the scripts that source this file

# Building the three programs and running them: the compiler and build tools, Qt with its
# SQLite driver, SQLite, libmdb (the Access reader), libpq (the client of the shared server
# database), libjpeg and libpng (large photos decoded row by row), and what the windows load
# at run time: the font they are laid out for, Qt's texts in Chinese, the image formats beyond
# those built into Qt (WebP photos). dpkg-dev gives dpkg-buildflags, Debian's hardening flags.
build_packages=(
  g++ cmake ninja-build pkg-config dpkg-dev
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev
  mdbtools-dev libpq-dev libjpeg-dev libpng-dev
  fonts-wqy-microhei qt6-translations-l10n qt6-image-formats-plugins
)

# Making the Debian package: CPack finds the programs' libraries with file and dpkg-shlibdeps.
package_packages=(file)

# The test suite, on top of both:
test_packages=(
  # mdb-export and mdb-schema, the reference the Access reader is compared with
  mdbtools
  # the throw-away PostgreSQL cluster (scripts/pgcluster): the server's programs and psql;
  # openssl makes the certificate of a cluster with TLS
  postgresql-15 openssl
  # virtual X servers without a window manager, and the keys and clicks sent to them
  xvfb xdotool
  # the printed hand-out's tests read the PDF they save
  poppler-utils
  # the Debian package's test: the launcher, the software centre's description, the font
  # the package depends on, and Debian's own check of the package
  desktop-file-utils appstream fontconfig lintian
)
