# Detection script of the example package ZullDemo, for Intune and Configuration Manager:
# installed when the user library folder (UsrLibDir) of an installed Dorvan5 that the package
# accepts holds the installed package description, ZullDemo.lin, of version 2.1.0. The folders
# are read where the installer reads them: the 32-bit view of HKEY_LOCAL_MACHINE.
# Both tools read the script's outcome the same way: exit code 0 and a line written means
# installed; exit code 0 and nothing written means not installed; any other exit code means that
# the script itself failed (Configuration Manager then reports the state as unknown). So it ends
# with 0 either way and writes a line only when the library is installed.
foreach ($version in '1.4', '1.3') {
    foreach ($view in 'SOFTWARE\WOW6432Node', 'SOFTWARE') {
        $key = "HKLM:\$view\Velk-Marden\dorvan5\$version\global"
        $folder = (Get-ItemProperty -LiteralPath $key -Name 'UsrLibDir' -ErrorAction SilentlyContinue).UsrLibDir
        if (-not $folder) { continue }
        $description = Join-Path $folder 'ZullDemo.lin'
        if ((Test-Path -LiteralPath $description -PathType Leaf) -and
            (Select-String -LiteralPath $description -Pattern '^\s*Version\s*=\s*2\.1\.0\s*$' -Quiet)) {
            Write-Output 'ZullDemo 2.1.0 is installed'
            exit 0
        }
    }
}
# Not installed: nothing written.
exit 0
