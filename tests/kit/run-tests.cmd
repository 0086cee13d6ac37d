@echo off
rem Runs every test program of this test kit on this machine, as an administrator:
rem   run-tests.cmd [RESULTS]
rem Makes the host suite's registry key HKLM\Software\Velk-Marden (32-bit view), in which the
rem tests write and remove their keys, and removes it again at the end; works in the folder
rem %TEMP%\VelkInstall-tests, removed at the end. Screenshots and the log of each test program
rem land in RESULTS (by default the folder "results" beside this file). The last line says
rem "N passed, N failed", counted test by test; the exit code is 0 only when none failed.
setlocal EnableExtensions EnableDelayedExpansion
set "KIT=%~dp0"
set "KIT=%KIT:~0,-1%"
set "RESULTS=%KIT%\results"
if not "%~1"=="" set "RESULTS=%~f1"
set "WORK=%TEMP%\VelkInstall-tests"
set "FIND=%SystemRoot%\System32\find.exe"
set "VENDOR=HKLM\Software\Velk-Marden"
set "PROGRAMS=win32_tests win32_gui_tests e2e_tests"

rem A host suite installed here would lose its keys: the tests replace them.
for %%v in (32 64) do (
    reg query "%VENDOR%" /reg:%%v >nul 2>&1 && (
        echo run-tests: %VENDOR% exists ^(%%v-bit view^): a host suite is installed here, and the
        echo tests would replace its keys. Run the kit on a machine without it.
        exit /b 2
    )
)
reg add "%VENDOR%\dorvan5" /reg:32 /f >nul 2>&1 || (
    echo run-tests: cannot write %VENDOR%: run this as an administrator.
    exit /b 2
)

if exist "%RESULTS%" rd /s /q "%RESULTS%"
mkdir "%RESULTS%\screenshots"
if exist "%WORK%" rd /s /q "%WORK%"
mkdir "%WORK%"
set "VELK_TEST_KIT=%KIT%"
set "VELK_TEST_WORK=%WORK%"
set "VELK_TEST_RESULTS=%RESULTS%"

rem Whether the desktop is shown to somebody: the tests that drive windows need one.
"%KIT%\window_station_probe.exe"
if errorlevel 1 (
    echo desktop: not shown ^(the window station is not visible^): the tests that drive windows
    echo are skipped, each saying so
) else (
    echo desktop: shown
)

set /a passed=0, failed=0, skipped=0
for %%p in (%PROGRAMS%) do (
    set "log=%RESULTS%\%%p.log"
    if not exist "%KIT%\%%p.exe" (
        echo %%p: MISSING from the kit
        set /a failed+=1
    ) else (
        echo == %%p
        "%KIT%\%%p.exe" --gtest_output=xml:"%RESULTS%\%%p.xml" >"!log!" 2>&1
        set code=!errorlevel!
        set /a ran=0, bad=0, skip=0
        for /f "tokens=4" %%n in ('type "!log!" ^| "%FIND%" "[  PASSED  ]"') do set /a ran+=%%n
        for /f "tokens=4" %%n in ('type "!log!" ^| "%FIND%" "[  FAILED  ]" ^| "%FIND%" "listed below"') do set /a bad+=%%n
        for /f "tokens=4" %%n in ('type "!log!" ^| "%FIND%" "[  SKIPPED ]" ^| "%FIND%" "listed below"') do set /a skip+=%%n
        rem An exit code without a failed test: the program ended before it could count.
        if not !code!==0 if !bad!==0 (
            echo %%p ended with exit code !code! before its tests were counted: see !log!
            set /a bad=1
        )
        type "!log!" | "%FIND%" "[  FAILED  ]" | "%FIND%" /v "listed below" | "%FIND%" /v " ms)"
        echo %%p: !ran! passed, !bad! failed, !skip! skipped
        set /a passed+=ran, failed+=bad, skipped+=skip
    )
)

rem Every test that was skipped or stated a difference of Wine, with its reason.
echo.
echo Skipped and marked tests, with their reasons:
for %%p in (%PROGRAMS%) do if exist "%RESULTS%\%%p.log" (
    type "%RESULTS%\%%p.log" | "%FIND%" "Windows only ("
    type "%RESULTS%\%%p.log" | "%FIND%" "Wine only ("
    type "%RESULTS%\%%p.log" | "%FIND%" "No desktop ("
    type "%RESULTS%\%%p.log" | "%FIND%" "Wine differs ("
)

reg delete "%VENDOR%" /reg:32 /f >nul 2>&1
reg delete "%VENDOR%" /reg:64 /f >nul 2>&1
rd /s /q "%WORK%" 2>nul
echo.
echo screenshots and logs: %RESULTS%
echo %skipped% skipped
echo %passed% passed, %failed% failed
if %failed%==0 exit /b 0
exit /b 1
