# The Debian package: everything the install rules put under the prefix, with
# the shared-library dependencies worked out by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zumaset)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zumaset developers <dev@zumaset.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "carries customs declarations to and from the VAN operator's server")
set(CPACK_PACKAGE_DESCRIPTION
  "Zumaset sends every customs declaration file left in the outbound folder to the\n"
  "VAN operator's HTTPS server, archives it, and brings the delivery receipts and\n"
  "the customs replies back into the inbound folder, unattended.\n"
  "\n"
  "The package holds the client (a tray application on a desktop, a headless\n"
  "service under systemd elsewhere), zumasetctl, the command-line companion for\n"
  "settings, transfers and the running client's status, and zumaset-vansim, a\n"
  "simulator of the operator's server for trying the client offline.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Dial-up lines are brought up through nmcli; without it the client works on
# the local network only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS network-manager)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
