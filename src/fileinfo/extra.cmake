# The signature checks: WinVerifyTrust and the catalogs (wintrust), certificates and
# chains (crypt32), SHA-256 (bcrypt).
target_link_libraries(vt_fileinfo PUBLIC wintrust crypt32 bcrypt)
