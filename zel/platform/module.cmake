# The configuration store keeps its databases with SQLite.
find_package(SQLite3 REQUIRED)
target_link_libraries(zel PRIVATE SQLite::SQLite3)
