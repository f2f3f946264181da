! The reference host's calls through the Fortran module (see reference_host.cpp): fortran_host TRACE LOG
program fortran_host
  use tervox_log
  implicit none
  character(len=512) :: trace_path, log_path
  integer :: failures = 0, status, i
  integer, parameter :: levels(7) = [TERVOX_LOG_VERBOSE, TERVOX_LOG_DEBUG, TERVOX_LOG_INFO, &
      TERVOX_LOG_PLAIN, TERVOX_LOG_NOTICE, TERVOX_LOG_WARNING, TERVOX_LOG_ERROR]

  call get_command_argument(1, trace_path)
  call get_command_argument(2, log_path)
  call check(tervox_open_trace(trim(trace_path), append=.false.))
  call check(tervox_open_log(trim(log_path)))  ! appending, after the stale line
  call tervox_set_trace_level(4)
  call check(tervox_trace('IO', TERVOX_LOG_INFO, '3 tries at 50%'))
  call check(tervox_trace('IO', TERVOX_LOG_DEBUG, '%s stays', 'host.src', 'run', 2))
  call check(tervox_trace('IO', TERVOX_LOG_WARNING, 'look out  ', 'host.src', 'run', 3))
  call tervox_set_trace_level(2)
  call check(tervox_trace('IO', TERVOX_LOG_INFO, 'hidden'))
  call check(tervox_record(TERVOX_LVL_ERROR, 306, 'reference.par is missing', 'in ./input', &
      'host.src', 'run', 5))
  call check(tervox_record(TERVOX_LVL_WARNING, 307, '50% done', '%d', 'host.src', 'run', 6))
  call check(tervox_push(TERVOX_LVL_ERROR, 300, 'a', 'b'))
  call tervox_set_trace_level(9999)
  do i = 1, size(levels)
    call check(tervox_trace('L', levels(i), 'each', 'host.src', 'run', 10))
  end do
  call tervox_set_trace_level(3)
  call check(tervox_trace('IO', TERVOX_LOG_PLAIN, 'last ' // text(tervox_last_code(TERVOX_LVL_ERROR)) &
      // ' of ' // text(tervox_stack_size(TERVOX_LVL_ERROR)) // ', stack ' &
      // text(tervox_stack_code(TERVOX_LVL_ERROR, 0)) // ' ' &
      // text(tervox_stack_code(TERVOX_LVL_ERROR, 1)) // ' ' &
      // text(tervox_stack_code(TERVOX_LVL_ERROR, 2))))
  call check(tervox_trace('IO', TERVOX_LOG_PLAIN, tervox_last_short_description(TERVOX_LVL_ERROR, &
      status)))
  if (status /= 0) failures = failures + 1
  call check(tervox_trace('IO', TERVOX_LOG_PLAIN, tervox_stack_descriptions(TERVOX_LVL_WARNING)))
  call tervox_clear(TERVOX_LVL_ERROR)
  call check(tervox_log_line('RUN', 'done: 100%, last ' // text(tervox_last_code(TERVOX_LVL_ERROR))))
  call check(tervox_close_trace())
  call check(tervox_close_log())
  if (failures /= 0) error stop 1

contains

  ! Not a formatted write: AddressSanitizer takes libgfortran's strndup of the format for an overflow.
  recursive function text(code) result(digits)
    integer, intent(in) :: code
    character(len=:), allocatable :: digits
    digits = achar(iachar('0') + mod(code, 10))
    if (code >= 10) digits = text(code / 10) // digits
  end function

  subroutine check(status)
    integer, intent(in) :: status
    if (status < 0) failures = failures + 1
  end subroutine

end program fortran_host
