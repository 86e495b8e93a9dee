# SQLite, built inside the project from the pinned amalgamation (scripts/fetch-sqlite
# puts it in third_party/), for programs that open the database for one request:
# no page-cache pre-allocation, no lookaside slots (setting them up touches 48 KiB
# of fresh memory on every open), no memory statistics, no extension loading, none of
# the optional modules (FTS, R-tree, session, JSON; the virtual table core stays, the
# amalgamation's parser needs it), -Os. Threading "multi-thread": each connection is
# used by one thread at a time (the kept connections are handed out one by one), but the
# daemon's reply thread and the simulator's client threads open files of their own,
# so the global state stays guarded.
# The sanitizer and fuzz builds use the system library (instrumenting SQLite
# there costs their runs much and finds nothing of ours); -DNVR_BUNDLED_SQLITE=ON
# forces it. The file format is SQLite's stable one: stored databases open alike.
set(NVR_SQLITE_VERSION 3.53.2)
if(NVR_SANITIZE OR NVR_FUZZ)
  set(nvr_bundled_default OFF)
else()
  set(nvr_bundled_default ON)
endif()
option(NVR_BUNDLED_SQLITE "Build SQLite from the pinned amalgamation" ${nvr_bundled_default})
set(NVR_SQLITE_DIR ${CMAKE_SOURCE_DIR}/third_party/sqlite-${NVR_SQLITE_VERSION} CACHE PATH
    "Directory of the SQLite amalgamation (sqlite3.c, sqlite3.h)")

if(NVR_BUNDLED_SQLITE)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-sqlite ${NVR_SQLITE_DIR} RESULT_VARIABLE nvr_fetch_rc)
  if(NOT nvr_fetch_rc EQUAL 0)
    message(FATAL_ERROR "no SQLite ${NVR_SQLITE_VERSION} amalgamation in ${NVR_SQLITE_DIR} "
                        "(scripts/fetch-sqlite failed; -DNVR_BUNDLED_SQLITE=OFF uses the system library)")
  endif()
  add_library(nvr_sqlite STATIC ${NVR_SQLITE_DIR}/sqlite3.c)
  target_include_directories(nvr_sqlite SYSTEM PUBLIC ${NVR_SQLITE_DIR})
  target_compile_definitions(nvr_sqlite PRIVATE
    SQLITE_THREADSAFE=2
    SQLITE_DEFAULT_PCACHE_INITSZ=0
    SQLITE_DEFAULT_MEMSTATUS=0
    SQLITE_DEFAULT_LOOKASIDE=0,0
    SQLITE_OMIT_LOAD_EXTENSION
    SQLITE_OMIT_JSON
    SQLITE_OMIT_DEPRECATED
    SQLITE_OMIT_SHARED_CACHE
    SQLITE_OMIT_PROGRESS_CALLBACK
    SQLITE_OMIT_TCL_VARIABLE
    SQLITE_OMIT_GET_TABLE
    SQLITE_LIKE_DOESNT_MATCH_BLOBS
    SQLITE_MAX_EXPR_DEPTH=0
    SQLITE_USE_ALLOCA)
  # Its own code, its own warnings: ours are errors, SQLite's are not ours to fix.
  target_compile_options(nvr_sqlite PRIVATE -Os -w)
  set_target_properties(nvr_sqlite PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_link_libraries(nvr_sqlite PUBLIC Threads::Threads m)
  set(NVR_SQLITE nvr_sqlite)
  set(NVR_SQLITE_INCLUDE ${NVR_SQLITE_DIR})
else()
  pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
  set(NVR_SQLITE PkgConfig::SQLITE)
  set(NVR_SQLITE_INCLUDE ${SQLITE_INCLUDE_DIRS})
endif()
