# Read by cpack before it makes each package. A .deb installs into /usr:
# under another prefix its desktop entry would name a command the package
# does not hold where it would be installed, and Debian leaves /usr/local to
# the machine's administrator.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "A .deb is made from a build configured with -DCMAKE_INSTALL_PREFIX=/usr, "
                      "not ${CPACK_PACKAGING_INSTALL_PREFIX}")
endif()
