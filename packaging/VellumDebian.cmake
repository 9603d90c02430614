# The Debian packages, made by CPack's DEB generator from the install
# components. Library dependencies are read from the binaries by
# dpkg-shlibdeps; only what no binary shows is written here: the -dev
# package needs its library, and vellum-host loads libvellum with dlopen.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELLUM_PACKAGE_MAINTAINER})
# Staged with DESTDIR, so that the files under /etc and /lib go into the
# package and never into this machine's own folders.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VELLUM_PACKAGES})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELLUM_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELLUM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(debian ${CMAKE_CURRENT_SOURCE_DIR}/debian)
set(same_version "(= ${debian_version})")

set(CPACK_DEBIAN_LIBVELLUM0_PACKAGE_NAME libvellum0)
set(CPACK_DEBIAN_LIBVELLUM0_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBVELLUM0_PACKAGE_CONTROL_EXTRA ${debian}/libvellum0/triggers)
set(CPACK_DEBIAN_LIBVELLUM0_DESCRIPTION "internal-mail module of a host business application
Vellum lets the users of a host application write, send, receive and read
mail kept as rows in the host's shared database, with one attachment per
mail on an attachment server and HTML bodies written in a WYSIWYG editor.
.
This package holds the shared library the host loads (four folder views and
two modal dialogs, on Qt 6 Widgets) and its toolbar pictures.")

set(CPACK_DEBIAN_LIBVELLUM-DEV_PACKAGE_NAME libvellum-dev)
set(CPACK_DEBIAN_LIBVELLUM-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBVELLUM-DEV_PACKAGE_DEPENDS "libvellum0 ${same_version}")
set(CPACK_DEBIAN_LIBVELLUM-DEV_DESCRIPTION "internal-mail module of a host business application (development files)
Vellum lets the users of a host application write, send, receive and read
mail kept as rows in the host's shared database.
.
This package holds what a host is built with: the headers vellum/vellum.h
and vellum/DbSession.h, the CMake package (find_package(Vellum), target
Vellum::vellum) and the pkg-config file (pkg-config vellum).")

set(CPACK_DEBIAN_VELLUM-TOOLS_PACKAGE_NAME vellum-tools)
set(CPACK_DEBIAN_VELLUM-TOOLS_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_VELLUM-TOOLS_PACKAGE_DEPENDS "libvellum0 ${same_version}")
set(CPACK_DEBIAN_VELLUM-TOOLS_DESCRIPTION "internal-mail module of a host business application (tools)
Vellum lets the users of a host application write, send, receive and read
mail kept as rows in the host's shared database.
.
This package holds vellum, the admin and scripting front end (mail tables,
parameter strings, ini files, SQL, folder listings, HTTP and attachment
transfer, HTML bodies), and vellum-host, a host application that shows a
user's four mail folders and runs the dialogs.")

set(CPACK_DEBIAN_VELLUM-ATTACHD_PACKAGE_NAME vellum-attachd)
set(CPACK_DEBIAN_VELLUM-ATTACHD_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_VELLUM-ATTACHD_PACKAGE_CONTROL_EXTRA ${debian}/vellum-attachd/conffiles
    ${debian}/vellum-attachd/postinst ${debian}/vellum-attachd/prerm ${debian}/vellum-attachd/postrm)
set(CPACK_DEBIAN_VELLUM-ATTACHD_DESCRIPTION "attachment server of the Vellum mail module
Vellum lets the users of a host application write, send, receive and read
mail kept as rows in the host's shared database, with one attachment per
mail on an attachment server.
.
This package holds that server, run by systemd as the service
vellum-attachd with the settings in /etc/vellum/attachd.conf.")

include(CPack)
