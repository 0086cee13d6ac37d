# Intune detection rule of the example package ZullDemo: installed when the user library folder
# (UsrLibDir) of an installed Dorvan5 that the package accepts holds the installed package
# description, ZullDemo.lin, of version 2.1.0. The folders are read where the installer reads
# them: the 32-bit view of HKEY_LOCAL_MACHINE.
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
exit 1
