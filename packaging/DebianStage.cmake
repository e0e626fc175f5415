# Run by cpack on the staged tree, before it is packed: what only the package has.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
set(doc "${stage}/usr/share/doc/notavex")
if(NOT EXISTS "${stage}/usr/bin/notavex")
  message(FATAL_ERROR "no staged program in ${stage}")
endif()

# dpkg keeps the list of installed files; the one for installs by hand does not belong here.
file(REMOVE "${stage}/usr/share/notavex/install_manifest.txt")

# The changelog's top entry names the version being packed.
set(src "${CPACK_NOTAVEX_PACKAGING_DIR}")
file(STRINGS "${src}/changelog" top LIMIT_COUNT 1)
if(NOT top MATCHES "^notavex \\(${CPACK_PACKAGE_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with ${CPACK_PACKAGE_VERSION}: ${top}")
endif()
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${src}/copyright" "${doc}/copyright")
execute_process(COMMAND gzip -9n -c "${src}/changelog" OUTPUT_FILE "${doc}/changelog.gz"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on the changelog")
endif()

# Manual pages are kept compressed.
set(man "${stage}/usr/share/man/man1/notavex.1")
execute_process(COMMAND gzip -9nf "${man}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${man}")
endif()

# Tahoma for every user: fontconfig reads /etc/fonts/conf.d.
file(MAKE_DIRECTORY "${stage}/etc/fonts/conf.d")
file(CREATE_LINK /usr/share/fontconfig/conf.avail/65-notavex-tahoma.conf
     "${stage}/etc/fonts/conf.d/65-notavex-tahoma.conf" SYMBOLIC)
