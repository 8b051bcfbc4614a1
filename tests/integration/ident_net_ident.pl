#!/usr/bin/perl
# Asks the Ident server on 127.0.0.1:113 about a real TCP connection, the way
# a server on the far end of a dial-up link would, through Net::Ident.
#
# usage: ident_net_ident.pl <expected-user> <expected-os>
# Exit 0 when the lookup gives exactly that user and operating system.
use strict;
use warnings;
use IO::Socket::INET;
use Net::Ident;

my ($want_user, $want_os) = @ARGV;
defined $want_os or die "usage: $0 <expected-user> <expected-os>\n";

# A connection of our own to look up: the accepted side plays the server that
# wants to know who is calling, so its peer (127.0.0.1) is asked on port 113.
my $listener = IO::Socket::INET->new(
    LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 1, ReuseAddr => 1, Proto => 'tcp')
    or die "listen: $!\n";
my $client = IO::Socket::INET->new(
    PeerAddr => '127.0.0.1', PeerPort => $listener->sockport, Proto => 'tcp', Timeout => 5)
    or die "connect: $!\n";
my $accepted = $listener->accept or die "accept: $!\n";

my ($user, $os, $error) = Net::Ident::lookup($accepted, 10);
$user  = '<undef>' unless defined $user;
$os    = '<undef>' unless defined $os;
$error = '' unless defined $error;
chomp $error;
print "Net::Ident: user '$user', os '$os'", ($error ne '' ? ", error '$error'" : ''), "\n";

exit(($user eq $want_user && $os eq $want_os) ? 0 : 1);
