@echo off
rem Runs every test program of this test kit on this machine, as an administrator:
rem   run-tests.cmd [RESULTS]
rem Makes the host suite's registry key HKLM\Software\Velk-Marden (32-bit view), in which the
rem tests write and remove their keys, and removes it again at the end; works in the folder
rem %TEMP%\VelkInstall-tests, removed at the end. Screenshots and the log and XML report of each
rem test program land in RESULTS (by default the folder "results" beside this file). The last
rem line says "N passed, N failed", counted test by test; the exit code is 0 only when none
rem failed. Written for every cmd: one step a line, subroutines rather than blocks.
setlocal EnableExtensions
set "KIT=%~dp0"
set "KIT=%KIT:~0,-1%"
set "RESULTS=%KIT%\results"
if not "%~1"=="" set "RESULTS=%~f1"
set "WORK=%TEMP%\VelkInstall-tests"
set "FIND=%SystemRoot%\System32\find.exe"
set "VENDOR=HKLM\Software\Velk-Marden"
set "PROGRAMS=win32_tests win32_gui_tests e2e_tests"

rem A host suite installed here would lose its keys: the tests replace them.
reg query "%VENDOR%" /reg:32 >nul 2>&1
if not errorlevel 1 goto suite_installed
reg query "%VENDOR%" /reg:64 >nul 2>&1
if not errorlevel 1 goto suite_installed
reg add "%VENDOR%\dorvan5" /reg:32 /f >nul 2>&1
if errorlevel 1 goto not_administrator

if exist "%RESULTS%" rd /s /q "%RESULTS%"
mkdir "%RESULTS%\screenshots"
if exist "%WORK%" rd /s /q "%WORK%"
mkdir "%WORK%"
set "VELK_TEST_KIT=%KIT%"
set "VELK_TEST_WORK=%WORK%"
set "VELK_TEST_RESULTS=%RESULTS%"

rem Whether the desktop is shown to somebody: the tests that drive windows need one, and say
rem so when they are skipped without it.
"%KIT%\window_station_probe.exe"
if errorlevel 1 echo desktop: not shown (the window station is not visible)
if not errorlevel 1 echo desktop: shown

set passed=0
set failed=0
set skipped=0
for %%p in (%PROGRAMS%) do call :run %%p

echo.
echo Skipped and marked tests, with their reasons:
for %%p in (%PROGRAMS%) do call :reasons %%p

reg delete "%VENDOR%" /reg:32 /f >nul 2>&1
reg delete "%VENDOR%" /reg:64 /f >nul 2>&1
rd /s /q "%WORK%" 2>nul
echo.
echo screenshots and logs: %RESULTS%
echo %skipped% skipped
echo %passed% passed, %failed% failed
if "%failed%"=="0" exit /b 0
exit /b 1

rem Runs the test program %1 and adds its counts.
:run
set "log=%RESULTS%\%~1.log"
if not exist "%KIT%\%~1.exe" goto missing_program
echo == %~1
"%KIT%\%~1.exe" --gtest_output=xml:"%RESULTS%\%~1.xml" >"%log%" 2>&1
set code=%errorlevel%
call :copy_log %1
call :count "[  PASSED  ]" ran
call :count "[  FAILED  ]" bad
call :count "[  SKIPPED ]" skip
rem An exit code without a failed test: the program ended before it could count.
if not "%code%"=="0" if "%bad%"=="0" echo %~1 ended with exit code %code% before its tests were counted
if not "%code%"=="0" if "%bad%"=="0" set bad=1
type "%lines%" | "%FIND%" "[  FAILED  ]"
echo %~1: %ran% passed, %bad% failed, %skip% skipped
set /a passed+=ran
set /a failed+=bad
set /a skipped+=skip
exit /b 0

:missing_program
echo %~1: MISSING from the kit
set /a failed+=1
exit /b 0

rem Copies the log line by line into %WORK%: a process that the test program started (and that
rem inherited its output) may still hold the log, which only "for /f" reads then.
:copy_log
set "lines=%WORK%\%~1.log"
if exist "%lines%" del "%lines%"
for /f "usebackq delims=" %%l in ("%log%") do >>"%lines%" echo.%%l
exit /b 0

rem Sets %2 to the count on the summary line of the log that starts with %1.
:count
set %2=0
type "%lines%" | "%FIND%" %1 >"%WORK%\counted.txt"
for /f "usebackq tokens=4" %%n in ("%WORK%\counted.txt") do call :add %2 %%n
exit /b 0

rem Adds %2 to %1 where %2 is a number (the summary line's count, not a test's name).
:add
set /a number=%2 2>nul
if "%number%"=="%2" set /a %1+=%2
exit /b 0

rem Every test of %1 that was skipped or stated a difference of Wine, with its reason.
:reasons
set "lines=%WORK%\%~1.log"
if not exist "%lines%" exit /b 0
type "%lines%" | "%FIND%" "Windows only ("
type "%lines%" | "%FIND%" "Wine only ("
type "%lines%" | "%FIND%" "No desktop ("
type "%lines%" | "%FIND%" "Wine differs ("
exit /b 0

:suite_installed
echo run-tests: %VENDOR% exists: a host suite is installed here, and the tests would replace
echo its keys. Run the kit on a machine without one.
exit /b 2

:not_administrator
echo run-tests: cannot write %VENDOR%: run this as an administrator.
exit /b 2
